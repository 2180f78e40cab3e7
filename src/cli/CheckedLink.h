// What checking one link from the shell found: its outcome, why, and what the fetches saw.
#pragma once

#include <QString>

#include <optional>

enum class LinkVerdict { Valid, Invalid, Unknown };

struct CheckedLink
{
    QString link;
    LinkVerdict verdict = LinkVerdict::Unknown;
    QString reason; // invalid: the page's reason or a short cause; unknown: what happened
    std::optional<QString> status; // the page's playability status; none when it had none
    std::optional<int> http; // the last HTTP status code; none when there was no answer
    int attempts = 0; // how many fetches were made
    QString source; // with --extract: "FILE:LINE" of the first occurrence, else empty

    bool operator==(const CheckedLink &) const = default;
};
