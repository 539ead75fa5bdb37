// The two concrete account kinds: their defaults, copies and own properties.

#include "MailAccount.h"

namespace {

std::int64_t Number(std::int64_t value) {
    return value;
}

} // namespace

TPOPMailAccount::TPOPMailAccount(TMailProfile* profile) : TMailAccount(profile) {
    SetExpireDaysDefault(5);
}

std::unique_ptr<TMailAccount> TPOPMailAccount::Clone() const {
    return std::unique_ptr<TMailAccount>(new TPOPMailAccount(*this));
}

TAccountProperties TPOPMailAccount::GetProperties() const {
    namespace id = PropertyId;
    auto properties = TMailAccount::GetProperties();
    properties.insert(properties.end(), {
                                            {id::PopIncomingServer, IncomingServer_},
                                            {id::PopIncomingPort, Number(IncomingPort_)},
                                            {id::PopUseSPA, UseSPA_},
                                            {id::PopUseSSL, UseSSL_},
                                            {id::PopIncomingTimeout, Number(IncomingTimeout_)},
                                            {id::LeaveOnServer, LeaveOnServer_},
                                            {id::RemoveWhenDeleted, RemoveWhenDeleted_},
                                        });
    return properties;
}

void TPOPMailAccount::SetIncomingServer(const std::string& value) {
    Assign(IncomingServer_, value);
}
void TPOPMailAccount::SetIncomingPort(std::int32_t value) {
    Assign(IncomingPort_, value);
}
void TPOPMailAccount::SetUseSPA(bool value) {
    Assign(UseSPA_, value);
}
void TPOPMailAccount::SetUseSSL(bool value) {
    Assign(UseSSL_, value);
}
void TPOPMailAccount::SetIncomingTimeout(std::int32_t value) {
    Assign(IncomingTimeout_, value);
}
void TPOPMailAccount::SetLeaveOnServer(bool value) {
    Assign(LeaveOnServer_, value);
}
void TPOPMailAccount::SetRemoveWhenDeleted(bool value) {
    Assign(RemoveWhenDeleted_, value);
}

TIMAPMailAccount::TIMAPMailAccount(TMailProfile* profile) : TMailAccount(profile) {
    SetExpireDaysDefault(30);
}

std::unique_ptr<TMailAccount> TIMAPMailAccount::Clone() const {
    return std::unique_ptr<TMailAccount>(new TIMAPMailAccount(*this));
}

TAccountProperties TIMAPMailAccount::GetProperties() const {
    namespace id = PropertyId;
    auto properties = TMailAccount::GetProperties();
    properties.insert(properties.end(), {
                                            {id::KeepUnreadOnly, KeepUnreadOnly_},
                                            {id::ImapIncomingServer, IncomingServer_},
                                            {id::ImapIncomingPort, Number(IncomingPort_)},
                                            {id::ImapUseSPA, UseSPA_},
                                            {id::ImapUseSSL, UseSSL_},
                                            {id::RootFolder, RootFolder_},
                                            {id::ImapIncomingTimeout, Number(IncomingTimeout_)},
                                            {id::RetainByCount, RetainByCount_},
                                            {id::RetainCount, Number(RetainCount_)},
                                        });
    return properties;
}

void TIMAPMailAccount::SetKeepUnreadOnly(bool value) {
    Assign(KeepUnreadOnly_, value);
}
void TIMAPMailAccount::SetIncomingServer(const std::string& value) {
    Assign(IncomingServer_, value);
}
void TIMAPMailAccount::SetIncomingPort(std::int32_t value) {
    Assign(IncomingPort_, value);
}
void TIMAPMailAccount::SetUseSPA(bool value) {
    Assign(UseSPA_, value);
}
void TIMAPMailAccount::SetUseSSL(bool value) {
    Assign(UseSSL_, value);
}
void TIMAPMailAccount::SetRootFolder(const std::string& value) {
    Assign(RootFolder_, value);
}
void TIMAPMailAccount::SetIncomingTimeout(std::int32_t value) {
    Assign(IncomingTimeout_, value);
}
void TIMAPMailAccount::SetRetainByCount(bool value) {
    Assign(RetainByCount_, value);
}
void TIMAPMailAccount::SetRetainCount(std::int32_t value) {
    Assign(RetainCount_, value);
}
