#include "cli/Manual.h"

#include "cli/Options.h"

#include <sstream>
#include <vector>

namespace cli {

namespace {

// Text as troff shows it: backslashes and hyphens escaped, no line taken for a request.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

std::string Trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

// "  -o, --output DIR        folder ..." → the option part and its text.
bool SplitOption(const std::string& line, std::string& option, std::string& text)
{
    const std::string body = Trimmed(line);
    if (body.empty() || body.front() != '-')
        return false;
    const auto gap = body.find("  ");
    option = body.substr(0, gap);
    text = gap == std::string::npos ? std::string() : Trimmed(body.substr(gap));
    return true;
}

// Option names bold, their values italic.
std::string OptionHeading(const std::string& option)
{
    std::istringstream words(option);
    std::string word, out;
    while (words >> word) {
        const bool comma = word.back() == ',';
        if (comma)
            word.pop_back();
        if (!out.empty())
            out += ' ';
        out += (word.front() == '-' ? "\\fB" : "\\fI") + Escaped(word) + "\\fR" + (comma ? "," : "");
    }
    return out;
}

} // namespace

std::string ManualPage()
{
    std::vector<std::string> lines;
    std::istringstream help(HelpText());
    for (std::string line; std::getline(help, line);)
        lines.push_back(line);

    std::string page = ".TH POMI\\-POMIRA\\-CONVERT 1 \"\" \"Pomi\\-Pomira AVI\" \"User Commands\"\n"
                       ".SH NAME\npomi\\-pomira\\-convert \\- cut the frames of a movie into pictures, convert "
                       "pictures\n.SH SYNOPSIS\n";
    std::size_t i = 0;
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        std::string usage = Trimmed(lines[i]);
        if (usage.rfind("Usage: ", 0) == 0)
            usage = usage.substr(7);
        page += Escaped(usage) + "\n.br\n";
    }
    page += ".SH DESCRIPTION\n";
    for (++i; i < lines.size() && !lines[i].empty(); ++i)
        page += Escaped(lines[i]) + "\n";
    page += ".SH OPTIONS\n";
    for (++i; i < lines.size() && !lines[i].empty(); ++i) {
        std::string option, text;
        if (SplitOption(lines[i], option, text))
            page += ".TP\n" + OptionHeading(option) + "\n" + Escaped(text) + "\n";
        else if (lines[i].front() == ' ') // an option's text carried on
            page += Escaped(Trimmed(lines[i])) + "\n";
        else
            page += ".SS " + Escaped(Trimmed(lines[i])) + "\n";
    }
    page += ".SH NOTES\n";
    for (++i; i < lines.size(); ++i)
        page += lines[i].empty() ? ".PP\n" : Escaped(lines[i]) + "\n";
    page += ".SH SEE ALSO\n\\fBpomi\\-pomira\\-avi\\fR(1), the window on the same engine; its guide, Readme.txt.\n";
    return page;
}

} // namespace cli
