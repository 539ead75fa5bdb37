#pragma once
// The provider's fixed settings: hosted mail service, mail domains, support-tool pages.
// Everything lives under the reserved .example domain.

#include <array>
#include <string_view>

namespace provider {

inline constexpr std::string_view Pop3Host = "pop.quenlix.example";
inline constexpr int Pop3Port = 995;
inline constexpr int Pop3TimeoutMs = 10000;
inline constexpr std::string_view SmtpHost = "smtp.quenlix.example";
inline constexpr int SmtpPort = 465;

// The primary mail domain comes first; it is the one new addresses are made with.
inline constexpr std::array<std::string_view, 12> MailDomains = {
    "quenlix.example",       "quenlixmail.example", "quenlix-mail.example",
    "mail.quenlix.example",  "quenlix.net.example", "quenlix.ch.example",
    "quenlix.de.example",    "quenlix.it.example",  "quenlix.fr.example",
    "quenlixonline.example", "bluequenlix.example", "quenlix-online.example",
};
inline constexpr std::string_view PrimaryMailDomain = MailDomains[0];

inline constexpr std::string_view SupportToolPageGerman =
    "https://www.quenlix.example/de/internet-assistant/download";
inline constexpr std::string_view SupportToolPageItalian =
    "https://www.quenlix.example/it/internet-assistant/download";
inline constexpr std::string_view SupportToolPageFrench =
    "https://www.quenlix.example/fr/internet-assistant/download";

} // namespace provider
