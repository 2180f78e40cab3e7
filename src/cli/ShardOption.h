// How --shard is read: "K/N" given outright, or "auto" and "auto/N" taken from the variables a
// batch system sets for each task of an array (Slurm) or each pod of an Indexed Job (Kubernetes).
#pragma once

#include "core/LinkShard.h"

#include <QProcessEnvironment>
#include <QString>

#include <variant>

namespace ShardOption {
// The shard value names, or why it cannot be used. Shards count from 0: "0/3", "1/3" and "2/3"
// cover a list. "auto" takes SLURM_ARRAY_TASK_ID and the array's range from
// SLURM_ARRAY_TASK_MIN and SLURM_ARRAY_TASK_MAX (or SLURM_ARRAY_TASK_COUNT), so that --array=0-7
// and --array=1-8 both give shards 0 to 7 of 8. "auto/N" takes JOB_COMPLETION_INDEX (or, failing
// it, the Slurm task's place in its array) with N shards. environment is the process's (a
// test hands its own).
std::variant<Shard, QString> read(const QString &value, const QProcessEnvironment &environment);
} // namespace ShardOption
