// The folders are layers: each may include only the folders below it, and no two
// units (a header with its source) include each other, however far round. Read from
// the sources themselves, so a new include that breaks the layering fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Each folder and the folders it may include (its own always).
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"framework", {}},
    {"widgets", {"framework"}},
    {"media", {"framework"}},
    {"engine", {"media", "framework"}},
    {"cli", {"engine", "media", "framework"}},
    {"windows", {"engine", "media", "widgets", "framework"}},
    {"app", {"windows", "engine", "media", "widgets", "framework"}},
};

// Inside media/, its floors: what a step gives back (Result) and lists of MIME types
// at the bottom, the picture type and its steps under the codecs, the codecs under
// the movie reader and the editor; the controls (media/ itself) on top.
const std::map<std::string, std::set<std::string>> kMediaMayInclude = {
    {"media/base", {}},
    {"media/image", {"media/base"}},
    {"media/codecs", {"media/image", "media/base"}},
    {"media/movie", {"media/codecs", "media/image", "media/base"}},
    {"media/editor", {"media/codecs", "media/image", "media/base"}},
    {"media", {"media/editor", "media/movie", "media/codecs", "media/image", "media/base"}},
};

// A unit's layer: its top folder, or its floor inside media/.
std::string LayerOf(const std::string& unit)
{
    const std::string top = unit.substr(0, unit.find('/'));
    if (top != "media")
        return top;
    if (unit == "media/Result" || unit == "media/MimeTypeList")
        return "media/base";
    const std::size_t second = unit.find('/', 6);
    return second == std::string::npos ? "media" : unit.substr(0, second);
}

// The unit (path without extension) a line includes with quotes, if it is one of ours
// ("folder/…/Name.h"); empty otherwise.
std::string IncludedUnit(const std::string& line)
{
    const std::size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line.compare(hash, 10, "#include \"") != 0)
        return {};
    const std::size_t start = hash + 10, end = line.find('"', start);
    if (end == std::string::npos)
        return {};
    const std::string path = line.substr(start, end - start);
    const std::size_t dot = path.rfind('.');
    if (path.find('/') == std::string::npos || dot == std::string::npos || path.substr(dot) != ".h")
        return {};
    return path.substr(0, dot);
}

// Unit (path without extension) -> the units it includes.
std::map<std::string, std::set<std::string>> ReadIncludes()
{
    std::map<std::string, std::set<std::string>> graph;
    for (const auto& [folder, allowed] : kMayInclude) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(POMI_SOURCE_DIR) / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".h" && ext != ".cpp")
                continue;
            const std::string unit =
                fs::relative(entry.path(), POMI_SOURCE_DIR).replace_extension().generic_string();
            std::set<std::string>& edges = graph[unit];
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);)
                if (const std::string to = IncludedUnit(line); !to.empty() && to != unit)
                    edges.insert(to);
        }
    }
    return graph;
}

TEST(Layers, FoldersIncludeOnlyTheLayersBelowAndNoUnitsIncludeEachOther)
{
    const auto graph = ReadIncludes();
    ASSERT_GT(graph.size(), 50u);
    for (const auto& [unit, edges] : graph) {
        const std::string folder = unit.substr(0, unit.find('/'));
        for (const std::string& to : edges) {
            const std::string target = to.substr(0, to.find('/'));
            EXPECT_TRUE(target == folder || kMayInclude.at(folder).count(target)) << unit << " includes " << to;
            const std::string floor = LayerOf(unit), toFloor = LayerOf(to);
            if (folder == "media" && target == "media") {
                EXPECT_TRUE(toFloor == floor || kMediaMayInclude.at(floor).count(toFloor)) << unit << " includes " << to;
            }
        }
    }
    // Depth-first, with the path taken so far: an edge back onto it is a circle.
    std::map<std::string, int> state; // 1 on the path, 2 done
    std::vector<std::string> path;
    std::function<void(const std::string&)> visit = [&](const std::string& unit) {
        state[unit] = 1;
        path.push_back(unit);
        if (const auto it = graph.find(unit); it != graph.end())
            for (const std::string& to : it->second) {
                if (state[to] == 1) {
                    std::string circle;
                    for (auto p = std::find(path.begin(), path.end(), to); p != path.end(); ++p)
                        circle += *p + " -> ";
                    ADD_FAILURE() << "include circle: " << circle << to;
                } else if (state[to] == 0) {
                    visit(to);
                }
            }
        path.pop_back();
        state[unit] = 2;
    };
    for (const auto& [unit, edges] : graph)
        if (state[unit] == 0)
            visit(unit);
}

} // namespace
