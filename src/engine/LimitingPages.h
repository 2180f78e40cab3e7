// The pages with which the site answers something other than a verdict on the video: it limits
// or refuses this client ("not now, not for you"), or shows another page in place of the watch
// page. One small table says how each is recognised and what the shell tool makes of it.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

struct PageSignature
{
    enum class Where {
        Message, // in the site's message (reason and subreason) on a page with a status
        PageWithoutStatus, // anywhere near the start of a page without a playability status
    };

    Where where;
    const char *status; // Message only: the status the message comes with; nullptr for any
    const char *marker; // matched without regard to case
    const char *cause; // the few words the shell tool reports
    // The site refuses this client for now: the host is slowed and the link asked again later.
    // Otherwise asking again would bring the same page.
    bool limiting;
};

// Form actions are the same in every language and are preferred where a page has one. The
// sentences depend on the language: the site writes them in the visitor's, and as the fetch
// asks for none they come in English; the entries marked "English" miss them in another.
inline constexpr PageSignature PageSignatures[] = {
    // The captcha page ("... unusual traffic from your network"), which posts to /das_captcha.
    {PageSignature::Where::PageWithoutStatus, nullptr, "action=\"/das_captcha", "captcha page",
     true},
    // English: another captcha page of the site's owner, with the same message.
    {PageSignature::Where::PageWithoutStatus, nullptr, "unusual traffic", "captcha page", true},
    // The consent form, which posts to consent.youtube.com: the consent cookie was not taken.
    {PageSignature::Where::PageWithoutStatus, nullptr, "action=\"https://consent.", "consent page",
     false},
    // English: "Sign in to confirm you're not a bot" (with a straight or a curly apostrophe).
    {PageSignature::Where::Message, "LOGIN_REQUIRED", "not a bot", "bot check", true},
    // English: "This content isn't available, try again later."
    {PageSignature::Where::Message, "UNPLAYABLE", "try again later", "try again later", true},
    // English: the subreason "Watch on the latest version of YouTube.", under any status: the
    // site refuses a client it takes for outdated, whatever the video.
    {PageSignature::Where::Message, nullptr, "latest version of YouTube", "outdated client refused",
     false},
};

// The first Message entry that the status and the site's message (or the status object as the
// page writes it) match; nullptr when none does.
const PageSignature *signatureOfMessage(const QString &status, QStringView message);

// Whether a page with this status may be the site refusing this client (some limiting Message
// entry comes with it): then only what the site said, read, tells a verdict from a refusal.
bool statusMayBeLimiting(const QString &status);

// The first PageWithoutStatus entry found in the page's first 256 KiB (the pages they stand
// for are a few KiB); nullptr when none is.
const PageSignature *signatureOfPageWithoutStatus(QByteArrayView page);
