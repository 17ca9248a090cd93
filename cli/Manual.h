#pragma once
// The converter's manual page (troff, section 1), made from its --help text so that
// the two never disagree.
#include <string>

namespace cli {

std::string ManualPage();

} // namespace cli
