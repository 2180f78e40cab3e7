#include "cli/OrderedOutput.h"

OrderedOutput::OrderedOutput(qsizetype count, Writer writer)
    : m_waiting(size_t(count))
    , m_writer(std::move(writer))
{
}

void OrderedOutput::add(qsizetype index, CheckedLink result)
{
    if (index < m_next || index >= qsizetype(m_waiting.size()) || m_waiting[size_t(index)])
        return;
    m_waiting[size_t(index)] = std::move(result);
    while (m_next < qsizetype(m_waiting.size()) && m_waiting[size_t(m_next)]) {
        // Written results are dropped at once, so a long list holds only the results still
        // waiting for an earlier, slower link.
        std::optional<CheckedLink> ready;
        ready.swap(m_waiting[size_t(m_next)]);
        ++m_next;
        m_writer(*ready);
    }
}
