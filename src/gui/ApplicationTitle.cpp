#include "gui/ApplicationTitle.h"

namespace {
constexpr qsizetype LongestTitle = 40;
}

QString applicationTitleFor(const QString &productName)
{
    QString title = productName;
    // The first cut is always made, so the title never holds the name's last word, even
    // when the whole name would fit.
    do {
        const qsizetype blank = title.lastIndexOf(QChar(u' '));
        if (blank < 0)
            break; // one word left: keep it rather than end with no title at all
        title.truncate(blank);
    } while (title.size() > LongestTitle);
    return title;
}
