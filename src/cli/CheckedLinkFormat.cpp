#include "cli/CheckedLinkFormat.h"

#include "cli/CheckCommandLine.h"

namespace CheckedLinkFormat {

QString textLine(const CheckedLink &checked)
{
    if (checked.valid)
        return u"valid\t"_qs + checked.link + u'\n';
    return u"invalid\t"_qs + checked.link + u'\t' + checked.reason + u'\n';
}

QString jsonLine(const CheckedLink &checked)
{
    using CheckCommandLine::jsonString;
    const QString status = checked.status.isEmpty() ? u"null"_qs : jsonString(checked.status);
    return u"{\"link\":"_qs + jsonString(checked.link) + u",\"verdict\":"_qs
        + (checked.valid ? u"\"valid\""_qs : u"\"invalid\""_qs) + u",\"reason\":"_qs
        + jsonString(checked.reason) + u",\"status\":"_qs + status + u"}\n"_qs;
}

} // namespace CheckedLinkFormat
