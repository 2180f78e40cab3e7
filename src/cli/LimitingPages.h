// The pages with which the site limits this client instead of judging the video: a status
// that reads like a verdict but only says "not now, not for you".
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// One signature: the page's playability status and a piece of its reason text, matched
// without regard to case in the status object as the page writes it (the verdict's reason is
// cut at the first comma, and "try again later" comes after one). The site words these reasons in
// the visitor's language; the fetch sends no language preference, so they come in English.
struct LimitingSignature
{
    const char *status;
    const char *reasonPart;
    const char *cause; // the few words the shell tool reports
};

inline constexpr LimitingSignature LimitingSignatures[] = {
    // "Sign in to confirm you're not a bot" (with a straight or a curly apostrophe).
    {"LOGIN_REQUIRED", "not a bot", "bot check"},
    // "This content isn't available, try again later."
    {"UNPLAYABLE", "try again later", "try again later"},
};

// The cause of the first signature the page's status and its status object match, if any.
std::optional<QString> limitingCause(const QString &status, QByteArrayView page);
