// The account and filter editors of the settings dialog.  Every change is
// written at once; a change that is refused, or whose file cannot be
// written, leaves the table, the list and the file as they were.
#include <algorithm>
#include <exception>

#include "base/Text.h"
#include "config/Config.h"
#include "config/SettingsWriter.h"
#include "platform/Platform.h"

namespace vexil {

const char* const kAccountExists = "Account already exists!";
const char* const kFillAllFields = "Please fill all fields of your account!";
const char* const kAccountsFull = "Accounts full, please delete one before!";
const char* const kBadPort = "The port must be a whole number from 1 to 65535!";
const char* const kMaxFiltersReached = "Max. filters reached";
const char* const kBadSizeAtt =
    "The message size limit must be a whole number of KB (or empty for no limit)!";

namespace {

using C = TConfigControl;

const char* const kBadPassword =
    "This password cannot be kept in Accounts.ini: use letters, digits and the signs of the "
    "keyboard only!";
const char* const kReservedWord =
    "A name, host or login cannot hold the words acc_name, host_name, user_name, password, "
    "port_number or inactive!";

// Accounts.ini finds a key anywhere in a line, value included, from the
// account's header on: a value holding the key of a later line of its block
// would be read back in that line's place.
bool HoldsLaterKey(const TPOPAcc& acc) {
    const char* const keys[] = {"acc_name", "host_name", "user_name", "password", "port_number",
                                "inactive"};
    const std::string values[] = {acc.AccName, acc.AccHost, acc.AccUser};
    for (size_t v = 0; v < 3; ++v) {
        const std::string lower = LowerCase(values[v]);
        for (size_t k = 0; k < 6; ++k)
            if (k != v && lower.find(keys[k]) != std::string::npos) return true;
    }
    return false;
}

// The scrambling keeps the codes 32 to 131 (and no more than 255 of them):
// others come back changed, and some would put a line break into the file.
bool PasswordStorable(const std::string& password) {
    if (password.size() > 255) return false;
    for (const char ch : password) {
        const unsigned c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 131) return false;
    }
    return true;
}

}  // namespace

// --- Accounts ---

void TConfig::RefillAccountList() {
    view_.ListClear(C::LstAcc);
    for (int i = 1; i <= accounts_.AccountCount; ++i) view_.ListAdd(C::LstAcc, accounts_[i].AccName);
    ClearAccountFields();
}

// Empty fields for a new account, which starts on TLS from the first byte
// (port 995): most servers offer it, and it never sends a password in the
// clear.  STARTTLS, automatic or none are a choice away.
void TConfig::ClearAccountFields() {
    for (const C field : {C::NAccount, C::HostTxt, C::UserName, C::Password})
        view_.SetText(field, "");
    view_.SetText(C::PortTxt, "995");
    view_.SetListIndex(C::Security, static_cast<int>(TSecurity::Tls));
    view_.SetListIndex(C::Protocol, static_cast<int>(TProtocol::Pop3));
}

void TConfig::LstAccSel() {
    if (view_.ListCount(C::LstAcc) == 0) {
        ClearAccountFields();
        return;
    }
    const int s = view_.ListIndex(C::LstAcc) + 1;
    if (s < 1 || s > accounts_.AccountCount) return;
    const TPOPAcc& acc = accounts_[s];
    view_.SetText(C::NAccount, acc.AccName);
    view_.SetText(C::HostTxt, acc.AccHost);
    view_.SetText(C::UserName, acc.AccUser);
    view_.SetText(C::Password, acc.AccPassword);
    view_.SetText(C::PortTxt, std::to_string(acc.AccPort));
    view_.SetListIndex(C::Security, static_cast<int>(acc.AccSecurity));
    view_.SetListIndex(C::Protocol, static_cast<int>(acc.AccProtocol));
    SetActiveRadios(acc.AccInactive);
}

TSecurity TConfig::SecurityFromList() {
    const int index = view_.ListIndex(C::Security);
    if (index < 0 || index > static_cast<int>(TSecurity::None)) return TSecurity::Auto;
    return static_cast<TSecurity>(index);
}

TProtocol TConfig::ProtocolFromList() {
    return view_.ListIndex(C::Protocol) == static_cast<int>(TProtocol::Imap) ? TProtocol::Imap
                                                                              : TProtocol::Pop3;
}

namespace {

// The port a protocol uses without TLS from the first byte.
std::string PlainPortOf(TProtocol protocol) { return protocol == TProtocol::Imap ? "143" : "110"; }
std::string TlsPortOf(TProtocol protocol) { return std::to_string(SecurePortOf(protocol)); }

}  // namespace

// The usual ports follow the choice; a port of the user's own stays.
void TConfig::SecurityChange() {
    const TSecurity security = SecurityFromList();
    const TProtocol protocol = ProtocolFromList();
    const std::string port = Trim(view_.Text(C::PortTxt));
    if (security == TSecurity::Tls && port == PlainPortOf(protocol))
        view_.SetText(C::PortTxt, TlsPortOf(protocol));
    else if ((security == TSecurity::StartTls || security == TSecurity::None) &&
             port == TlsPortOf(protocol))
        view_.SetText(C::PortTxt, PlainPortOf(protocol));
}

// The other protocol's usual port in place of this one's, TLS or not alike.
void TConfig::ProtocolChange() {
    const TProtocol protocol = ProtocolFromList();
    const TProtocol other = protocol == TProtocol::Imap ? TProtocol::Pop3 : TProtocol::Imap;
    const std::string port = Trim(view_.Text(C::PortTxt));
    if (port == TlsPortOf(other))
        view_.SetText(C::PortTxt, TlsPortOf(protocol));
    else if (port == PlainPortOf(other))
        view_.SetText(C::PortTxt, PlainPortOf(protocol));
}

void TConfig::SetActiveRadios(bool inactive) {
    view_.SetChecked(C::ChkInact, inactive);
    view_.SetChecked(C::ChkAct, !inactive);
}

bool TConfig::PortFromField(std::int32_t& port) {
    try {
        port = StrToInt(Trim(view_.Text(C::PortTxt)));
        if (port >= 1 && port <= 65535) return true;
    } catch (const EConvertError&) {
    }
    messages_.ShowMessage(kBadPort);
    view_.Focus(C::PortTxt);
    return false;
}

bool TConfig::SaveAccounts(const TAccountTable& table) {
    if (!MayWrite("Accounts.ini")) return false;
    try {
        WriteAccounts(ConfigFilePath(exeDir_, "Accounts.ini"), table);
    } catch (const ESettingsWriteError& e) {
        messages_.ShowMessage(e.what());
        return false;
    }
    accounts_ = table;
    return true;
}

// The messages for fields that cannot make an account: a name that another
// account than slot has (exact case), and a missing name, login or host.
// Both can show; true when one did.
bool TConfig::FieldsRefused(int slot) {
    const std::string name = view_.Text(C::NAccount);
    bool refused = false;
    if (!name.empty()) {
        for (int i = 1; i <= accounts_.AccountCount && !refused; ++i)
            refused = i != slot && accounts_[i].AccName == name;
        if (refused) messages_.ShowMessage(kAccountExists);
    }
    if (name.empty() || view_.Text(C::UserName).empty() || view_.Text(C::HostTxt).empty()) {
        messages_.ShowMessage(kFillAllFields);
        refused = true;
    }
    return refused;
}

// Stores the fields into slot (one past the last: a new account) and writes
// the table; refused with a message, and nothing changed, when the port,
// password or a value cannot be kept.
bool TConfig::StoreFields(int slot, bool inactive) {
    std::int32_t port = 110;
    if (!PortFromField(port)) return false;
    TAccountTable table = accounts_;
    if (slot > table.AccountCount) table.AccountCount = slot;
    TPOPAcc& acc = table[slot];
    acc.AccName = OneLine(view_.Text(C::NAccount));
    acc.AccHost = OneLine(view_.Text(C::HostTxt));
    acc.AccUser = OneLine(view_.Text(C::UserName));
    acc.AccPassword = view_.Text(C::Password);
    acc.AccPort = port;
    acc.AccInactive = inactive;
    acc.AccSecurity = SecurityFromList();
    acc.AccProtocol = ProtocolFromList();
    if (!PasswordStorable(acc.AccPassword)) {
        messages_.ShowMessage(kBadPassword);
        return false;
    }
    if (HoldsLaterKey(acc)) {
        messages_.ShowMessage(kReservedWord);
        return false;
    }
    return SaveAccounts(table);
}

void TConfig::AddAccClick() {
    if (FieldsRefused(0)) return;
    if (accounts_.AccountCount + 1 > kMaxAccounts) {
        messages_.ShowMessage(kAccountsFull);
        return;
    }
    if (!StoreFields(accounts_.AccountCount + 1, false)) return;
    RefillAccountList();
    view_.SetListIndex(C::LstAcc, accounts_.AccountCount - 1);
    view_.Focus(C::NAccount);
}

void TConfig::ModifyClick() {
    const int s = view_.ListIndex(C::LstAcc) + 1;
    if (s < 1 || s > accounts_.AccountCount) return;
    if (FieldsRefused(s)) return;
    const bool inactive = view_.Checked(C::ChkInact);
    if (!StoreFields(s, inactive)) return;
    view_.SetChecked(C::ChkAct, !inactive);
    RefillAccountList();
    view_.SetListIndex(C::LstAcc, s - 1);
}

void TConfig::DelAccClick() {
    const int s = view_.ListIndex(C::LstAcc) + 1;
    if (view_.ListCount(C::LstAcc) == 0 || s < 1 || s > accounts_.AccountCount) return;
    TAccountTable table = accounts_;
    for (int i = s; i < table.AccountCount; ++i) table[i] = table[i + 1];
    table.AccountCount -= 1;
    if (!SaveAccounts(table)) return;

    RefillAccountList();
    if (s != kMaxAccounts) {
        view_.SetListIndex(C::LstAcc, view_.ListCount(C::LstAcc) - 1);
        LstAccSel();
    }
}

void TConfig::SetStatus(bool inactive) {
    const int s = view_.ListIndex(C::LstAcc) + 1;
    if (s < 1 || s > accounts_.AccountCount) return;
    TAccountTable table = accounts_;
    table[s].AccInactive = inactive;
    // Refused: the buttons show the status that stays.
    if (!SaveAccounts(table)) SetActiveRadios(accounts_[s].AccInactive);
}

void TConfig::ChkActClick() { SetStatus(false); }

void TConfig::ChkInactClick() { SetStatus(true); }

// --- Filters ---

std::vector<std::string> TConfig::FilterListItems() const {
    std::vector<std::string> items;
    const int count = view_.ListCount(C::FilterLst);
    items.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) items.push_back(view_.ListItem(C::FilterLst, i));
    return items;
}

bool TConfig::SizeAttValid() {
    const std::string text = Trim(view_.Text(C::SizeAtt));
    bool valid = text.empty();
    if (!valid) {
        try {
            valid = text.find_first_not_of("0123456789") == std::string::npos && StrToInt(text) >= 0;
        } catch (const EConvertError&) {
        }
    }
    if (!valid) {
        messages_.ShowMessage(kBadSizeAtt);
        view_.Focus(C::SizeAtt);
    }
    return valid;
}

bool TConfig::SaveFilters(const std::vector<std::string>& list) {
    if (!SizeAttValid() || !MayWrite("VxFilter.ini")) return false;
    try {
        WriteFilters(ConfigFilePath(exeDir_, "VxFilter.ini"), list, OneLine(view_.Text(C::SizeAtt)),
                     view_.Checked(C::ChkAutFltr), filters_);
    } catch (const ESettingsWriteError& e) {
        messages_.ShowMessage(e.what());
        return false;
    }
    return true;
}

void TConfig::FilterLstChange() {
    const int i = view_.ListIndex(C::FilterLst);
    if (i >= 0) view_.SetText(C::FilterEdit, view_.ListItem(C::FilterLst, i));
}

void TConfig::AddFiltClick() {
    const std::string text = OneLine(view_.Text(C::FilterEdit));
    if (!text.empty() && filters_.FilterCount < kMaxFilters) {
        std::vector<std::string> list = FilterListItems();
        list.push_back(text);
        if (!SaveFilters(list)) return;
        view_.ListAdd(C::FilterLst, text);
        view_.SetListIndex(C::FilterLst, view_.ListCount(C::FilterLst) - 1);
        view_.SetText(C::FilterEdit, "");
    } else if (filters_.FilterCount >= kMaxFilters) {
        messages_.ShowMessage(kMaxFiltersReached);
    }
}

void TConfig::DelFiltClick() {
    const int chosen = view_.ListIndex(C::FilterLst);
    if (chosen < 0 || view_.ListCount(C::FilterLst) == 0) return;
    std::vector<std::string> list = FilterListItems();
    list.erase(list.begin() + chosen);
    if (!SaveFilters(list)) return;
    view_.ListDelete(C::FilterLst, chosen);
    view_.SetListIndex(C::FilterLst, view_.ListCount(C::FilterLst) - 1);
    view_.SetText(C::FilterEdit, "");
}

}  // namespace vexil
