// When a check has found new mail.
#include "app/NewMail.h"

namespace vexil {

TMailNews TMailMemory::Record(const std::string& account, int count, bool failed) {
    if (failed) count = 0;
    int& previous = previous_[account];
    TMailNews news;
    news.MailWaiting = count > 0;
    news.NewMail = count > previous;
    previous = count;
    return news;
}

}  // namespace vexil
