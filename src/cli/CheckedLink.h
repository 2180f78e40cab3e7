// What checking one link from the shell found: its verdict, reason and the page's status text.
#pragma once

#include <QString>

struct CheckedLink
{
    QString link;
    bool valid = false;
    QString reason; // for an invalid link: the page's reason text or "URL unavailable"
    QString status; // the playability status the page gave, empty when it gave none

    bool operator==(const CheckedLink &) const = default;
};
