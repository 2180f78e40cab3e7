#include "platform/SkinFramework.h"

#include "core/AppError.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QWidget>

namespace {
constexpr int FileAccessError = 75;
constexpr int InvalidSkinError = 380; // "Invalid property value"
constexpr qint64 MaxSkinBytes = 1024 * 1024;

[[noreturn]] void invalidSkin(const QString &path, const QString &why)
{
    throw AppError(QStringLiteral("Invalid skin file %1: %2").arg(path, why), InvalidSkinError);
}
} // namespace

QString SkinFramework::checkStyleSheet(const QString &text)
{
    // A sheet is either a list of rules ("selector { declarations }") or, applying to the
    // window itself, a bare list of declarations; Qt reads nothing else.
    bool inRule = false;
    bool selectorSeen = false; // something other than blanks since the last rule ended
    bool ruleSeen = false;
    bool declarationOutside = false;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'/' && i + 1 < n && text.at(i + 1) == u'*') {
            const qsizetype end = text.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0)
                return QStringLiteral("a comment is not closed");
            i = end + 2;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            qsizetype j = i + 1;
            while (j < n && text.at(j) != c && text.at(j) != u'\n') {
                if (text.at(j) == u'\\')
                    ++j;
                ++j;
            }
            if (j >= n || text.at(j) != c)
                return QStringLiteral("a quoted text is not closed");
            i = j + 1;
            selectorSeen = true;
            continue;
        }
        if (c == u'{') {
            if (inRule)
                return QStringLiteral("a rule opens inside another rule");
            if (!selectorSeen)
                return QStringLiteral("a rule has no selector");
            inRule = true;
            ruleSeen = true;
        } else if (c == u'}') {
            if (!inRule)
                return QStringLiteral("a closing brace has no opening brace");
            inRule = false;
            selectorSeen = false;
        } else if (!inRule && !c.isSpace()) {
            selectorSeen = true;
            if (c == u';')
                declarationOutside = true;
        }
        ++i;
    }
    if (inRule)
        return QStringLiteral("a rule is not closed");
    if (ruleSeen && (selectorSeen || declarationOutside))
        return QStringLiteral("text stands outside every rule");
    return {};
}

void SkinFramework::loadSkin(const QString &path, const QString &iniName)
{
    if (!iniName.isEmpty())
        throw AppError(QStringLiteral("Skin file %1 holds no skin named %2").arg(path, iniName),
                       InvalidSkinError);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Path/File access error"), FileAccessError);
    // A skin is a few rules; a larger file is refused without being read whole.
    if (!file.isSequential() && file.size() > MaxSkinBytes)
        invalidSkin(path, QStringLiteral("larger than 1 MiB"));
    const QByteArray bytes = file.read(MaxSkinBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Path/File access error"), FileAccessError);
    if (bytes.size() > MaxSkinBytes)
        invalidSkin(path, QStringLiteral("larger than 1 MiB"));

    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        invalidSkin(path, QStringLiteral("not UTF-8 text"));
    const QString problem = checkStyleSheet(text);
    if (!problem.isEmpty())
        invalidSkin(path, problem);
    m_styleSheet = text;
    m_loaded = true;
}

void SkinFramework::applyWindow(QWidget *window) const
{
    if (!m_loaded || !window)
        throw AppError(QStringLiteral("No skin loaded"), InvalidSkinError);
    if (!(m_applyOptions & ApplyColors))
        return;

    QHash<QWidget *, QRect> layout;
    if (m_keepLayout) {
        for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            layout.insert(control, control->geometry());
    }
    const QSize windowSize = window->size();

    window->setAttribute(Qt::WA_StyledBackground, m_styledBackground);
    window->setStyleSheet(m_styleSheet);
    window->ensurePolished();

    if (m_keepLayout) {
        window->setFixedSize(windowSize);
        for (auto it = layout.cbegin(); it != layout.cend(); ++it) {
            it.key()->ensurePolished();
            it.key()->setMinimumSize(0, 0);
            it.key()->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            it.key()->setGeometry(it.value());
        }
    }
}
