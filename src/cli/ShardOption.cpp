#include "cli/ShardOption.h"

#include <QRegularExpression>

#include <optional>

namespace ShardOption {
namespace {
// More shards than any lab has machines, and few enough that no sum overflows.
constexpr int MaxShards = 1'000'000;

std::optional<int> wholeNumber(const QString &text)
{
    static const QRegularExpression digits(u"^[0-9]{1,9}$"_qs);
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    return text.toInt();
}

// The shard after checking that index and count make one.
std::variant<Shard, QString> shardOf(int index, int count, const QString &from)
{
    if (count < 1 || count > MaxShards)
        return QStringLiteral("--shard needs 1 to %1 shards, not %2 (%3).")
            .arg(MaxShards)
            .arg(count)
            .arg(from);
    if (index < 0 || index >= count)
        return QStringLiteral("--shard %1 of %2 does not exist: shards count from 0 to %3 (%4).")
            .arg(index)
            .arg(count)
            .arg(count - 1)
            .arg(from);
    return Shard {index, count};
}

// A variable that must be a whole number when it is set; *refusal says why it is not.
std::optional<int> numberVariable(const QProcessEnvironment &environment, const char *name,
                                  QString *refusal)
{
    const QString key = QLatin1String(name);
    if (!environment.contains(key))
        return std::nullopt;
    const std::optional<int> number = wholeNumber(environment.value(key));
    if (!number && refusal->isEmpty())
        *refusal = QStringLiteral("--shard auto: %1 is \"%2\", not a whole number.")
                       .arg(key, environment.value(key));
    return number;
}

// A Slurm array task's place in its array and the array's size (or nothing for the size when
// the variables do not give it).
struct SlurmTask
{
    int place = 0;
    std::optional<int> count;
};

std::variant<SlurmTask, QString> slurmTask(const QProcessEnvironment &environment)
{
    QString refusal;
    const auto id = numberVariable(environment, "SLURM_ARRAY_TASK_ID", &refusal);
    const auto min = numberVariable(environment, "SLURM_ARRAY_TASK_MIN", &refusal);
    const auto max = numberVariable(environment, "SLURM_ARRAY_TASK_MAX", &refusal);
    const auto count = numberVariable(environment, "SLURM_ARRAY_TASK_COUNT", &refusal);
    if (!refusal.isEmpty())
        return refusal;
    SlurmTask task {*id - min.value_or(0), count};
    if (min && max) {
        // An array with steps or gaps (--array=0-15:4, --array=1,3,8) has fewer tasks than its
        // range: its task ids do not number shards one after another.
        const int span = *max - *min + 1;
        if (count && *count != span)
            return QStringLiteral("--shard auto: the Slurm array runs from %1 to %2 with %3 "
                                  "tasks, not one task for each number; give --array=0-%4, or "
                                  "--shard K/N.")
                .arg(*min)
                .arg(*max)
                .arg(*count)
                .arg(*count - 1);
        task.count = span;
    }
    return task;
}
} // namespace

std::variant<Shard, QString> read(const QString &value, const QProcessEnvironment &environment)
{
    const QString from = QStringLiteral("--shard %1").arg(value);
    const qsizetype slash = value.indexOf(u'/');
    const QString first = value.left(slash < 0 ? value.size() : slash);
    std::optional<int> givenCount;
    if (slash >= 0) {
        givenCount = wholeNumber(value.mid(slash + 1));
        if (!givenCount)
            return QStringLiteral("--shard takes K/N, auto or auto/N with whole numbers, not "
                                  "\"%1\".")
                .arg(value);
    }
    if (first != u"auto") {
        const std::optional<int> index = wholeNumber(first);
        if (!index || !givenCount)
            return QStringLiteral("--shard takes K/N, auto or auto/N with whole numbers, not "
                                  "\"%1\".")
                .arg(value);
        return shardOf(*index, *givenCount, from);
    }

    const bool slurm = environment.contains(u"SLURM_ARRAY_TASK_ID"_qs);
    const QString kubernetesKey = u"JOB_COMPLETION_INDEX"_qs;
    if (givenCount && environment.contains(kubernetesKey)) {
        const std::optional<int> index = wholeNumber(environment.value(kubernetesKey));
        if (!index)
            return QStringLiteral("--shard auto: JOB_COMPLETION_INDEX is \"%1\", not a whole "
                                  "number.")
                .arg(environment.value(kubernetesKey));
        return shardOf(*index, *givenCount, QStringLiteral("JOB_COMPLETION_INDEX"));
    }
    if (!slurm) {
        if (environment.contains(kubernetesKey))
            return QStringLiteral("--shard auto: a Kubernetes Indexed Job gives the index but "
                                  "not the count; give --shard auto/N with N the Job's "
                                  "completions.");
        return QStringLiteral("--shard auto needs a Slurm job array (SLURM_ARRAY_TASK_ID) or, "
                              "with auto/N, a Kubernetes Indexed Job (JOB_COMPLETION_INDEX); "
                              "neither is set.");
    }
    const auto task = slurmTask(environment);
    if (const QString *refusal = std::get_if<QString>(&task))
        return *refusal;
    const SlurmTask &slurmTask = std::get<SlurmTask>(task);
    if (givenCount && slurmTask.count && *givenCount != *slurmTask.count)
        return QStringLiteral("--shard %1: the Slurm array has %2 tasks, not %3.")
            .arg(value)
            .arg(*slurmTask.count)
            .arg(*givenCount);
    if (!givenCount && !slurmTask.count)
        return QStringLiteral("--shard auto: Slurm gives no array size (SLURM_ARRAY_TASK_COUNT "
                              "or SLURM_ARRAY_TASK_MIN and MAX); give --shard auto/N.");
    return shardOf(slurmTask.place, givenCount.value_or(slurmTask.count.value_or(0)),
                   QStringLiteral("the Slurm array task"));
}
} // namespace ShardOption
