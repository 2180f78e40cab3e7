#include "cli/LoadedLinks.h"

#include "core/LinkNormalizer.h"

void LoadedLinks::append(const QString &link, const QString &source, const QString &undecodable)
{
    const qsizetype index = size();
    if (link.isValidUtf16())
        m_text += link.toUtf8();
    else
        m_exact.insert(index, link);
    m_ends.push_back(m_text.size());
    if (!undecodable.isEmpty())
        m_undecodable.insert(index, undecodable);
    if (!source.isEmpty())
        m_sources.insert(index, source);
}

QString LoadedLinks::link(qsizetype index) const
{
    if (const auto exact = m_exact.constFind(index); exact != m_exact.cend())
        return *exact;
    const qint64 begin = index == 0 ? 0 : m_ends[size_t(index) - 1];
    return QString::fromUtf8(m_text.constData() + begin, m_ends[size_t(index)] - begin);
}

QString LoadedLinks::address(qsizetype index) const
{
    return LinkNormalizer::trimmedBlanks(link(index)).toString();
}
