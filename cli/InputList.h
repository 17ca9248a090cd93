#pragma once
// Inputs named by a list file (--files-from) and a run's share of them (--shard K/N),
// so that tasks of a job array each take a fixed share of one list.
#include "cli/UsageError.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cli {

// This task's share of the inputs: the K-th of N.
struct Shard {
    int index = 0, count = 1;
};

// "K/N", K from 0 to N - 1 (as job arrays number their tasks).
std::optional<Shard> ParseShard(const std::string& text);

// The paths a list names, one a line (blank lines passed over, a carriage return before
// the newline dropped), each relative one read from the list's folder; "-" is the
// standard input, read from the current folder. Each comes with the path as the list
// writes it, which is what shards go by. Throws UsageError when the list cannot be read.
std::vector<std::pair<std::string, std::string>> ReadInputList(const std::string& list);

// The shard a key falls to, of `count`: its bytes' 64-bit FNV-1a hash, modulo `count`.
// A key's shard depends on nothing else, so adding inputs moves no other one.
int ShardOf(const std::string& key, int count);

// Keeps the inputs (with their sub-folders, where given, and keys) that fall to the
// shard.
void KeepShard(Shard shard, std::vector<std::string>& inputs, std::vector<std::string>& within,
               std::vector<std::string>& keys);

} // namespace cli
