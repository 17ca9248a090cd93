#include "cli/InputList.h"

#include "framework/Numbers.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace cli {

std::optional<Shard> ParseShard(const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const auto index = fw::ParseDecimalInteger(text.substr(0, slash)), count = fw::ParseDecimalInteger(text.substr(slash + 1));
    if (!index || !count || *count < 1 || *count > 1000000 || *index < 0 || *index >= *count)
        return std::nullopt;
    return Shard{int(*index), int(*count)};
}

std::vector<std::pair<std::string, std::string>> ReadInputList(const std::string& list)
{
    std::ifstream file;
    std::istream* in = &std::cin;
    std::filesystem::path folder;
    if (list != "-") {
        file.open(list, std::ios::binary);
        if (!file)
            throw UsageError("--files-from: cannot read '" + list + "'");
        in = &file;
        folder = std::filesystem::path(list).parent_path();
    }
    std::vector<std::pair<std::string, std::string>> inputs;
    for (std::string line; std::getline(*in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::filesystem::path named(line);
        inputs.emplace_back(named.is_absolute() || folder.empty() ? line : (folder / named).string(), line);
    }
    if (in->bad())
        throw UsageError("--files-from: cannot read '" + list + "'");
    return inputs;
}

int ShardOf(const std::string& key, int count)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : key)
        hash = (hash ^ c) * 1099511628211ull;
    return int(hash % std::uint64_t(count));
}

void KeepShard(Shard shard, std::vector<std::string>& inputs, std::vector<std::string>& within,
               std::vector<std::string>& keys)
{
    if (shard.count <= 1)
        return;
    std::vector<std::string> keptInputs, keptWithin, keptKeys;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const std::string& key = i < keys.size() ? keys[i] : inputs[i];
        if (ShardOf(key, shard.count) != shard.index)
            continue;
        keptInputs.push_back(inputs[i]);
        keptKeys.push_back(key);
        if (i < within.size())
            keptWithin.push_back(within[i]);
    }
    inputs = std::move(keptInputs);
    within = std::move(keptWithin);
    keys = std::move(keptKeys);
}

} // namespace cli
