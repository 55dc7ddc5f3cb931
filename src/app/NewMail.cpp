// When a check has found new mail.
#include "app/NewMail.h"

#include <utility>

namespace vexil {

TMailNews TMailMemory::Record(const std::string& account, int count, bool failed,
                              TUniqueIds* ids) {
    if (failed) count = 0;
    TAccountMemory& previous = previous_[account];
    const bool idsNow = !failed && ids && ids->Known();
    TMailNews news;
    news.MailWaiting = count > 0;
    news.NewMail = idsNow && previous.Ids.Known() ? ids->HasIdNotIn(previous.Ids)
                                                  : count > previous.Count;
    previous.Count = count;
    if (idsNow) {
        previous.Ids = std::move(*ids);
        ids->Forget();
    } else if (!failed) {
        previous.Ids.Forget();  // the server gave no ids this time
    }
    return news;
}

}  // namespace vexil
