// Puts results that arrive in any order back into input order: each one is handed on as soon
// as it and every result before it are known.
#pragma once

#include "engine/CheckedLink.h"

#include <QtGlobal>

#include <functional>
#include <map>

class OrderedOutput
{
public:
    using Writer = std::function<void(const CheckedLink &)>;

    OrderedOutput(qsizetype count, Writer writer);

    // Takes the result for position index (0-based) and hands on every result whose turn has
    // come. A position given twice keeps its first result.
    void add(qsizetype index, CheckedLink result);

    qsizetype written() const { return m_next; }
    bool complete() const { return m_next == m_count; }

private:
    // Only the results that wait for an earlier one are held, so a long list costs nothing
    // per link while its results come in order.
    std::map<qsizetype, CheckedLink> m_waiting;
    qsizetype m_count;
    qsizetype m_next = 0;
    Writer m_writer;
};
