#include "cli/OrderedOutput.h"

OrderedOutput::OrderedOutput(qsizetype count, Writer writer)
    : m_count(count)
    , m_writer(std::move(writer))
{
}

void OrderedOutput::add(qsizetype index, CheckedLink result)
{
    if (index < m_next || index >= m_count)
        return;
    if (index > m_next) {
        m_waiting.emplace(index, std::move(result));
        return;
    }
    ++m_next;
    m_writer(result);
    // Written results are dropped at once, so a long list holds only the results still
    // waiting for an earlier, slower link.
    for (auto next = m_waiting.begin(); next != m_waiting.end() && next->first == m_next;
         next = m_waiting.erase(next)) {
        ++m_next;
        m_writer(next->second);
    }
}
