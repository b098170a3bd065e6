#pragma once
// The maker's texts, shown by the main window and the About window. The maker is a
// fictional company; its city, telephone and address are fictional too.

namespace vintrel::forms {

inline constexpr const char* kMakerName = "Malvex Desenvolvimentos";
inline constexpr const char* kMakerWebSite = "http://www.malvex.com.br";  // opened
inline constexpr const char* kMakerWebSiteText = "www.malvex.com.br";     // shown
inline constexpr const char* kMakerEmail = "vintrel@malvex.com.br";
inline constexpr const char* kMakerCity = "Nova Malvexia";
inline constexpr const char* kMakerTelephone = "(099) 5555-0123";
inline constexpr const char* kAuthor = "Equipe Malvex";
inline constexpr const char* kLegalNotice = "(C) 1999-2026 Malvex Desenv.";

// The maker's web site in the default browser, and a new message to the maker in the default
// mail program, through the shell; the results are not examined.
void openMakerWebSite();
void openMakerMail();

}  // namespace vintrel::forms
