// The page `dio view` serves: plain HTML, CSS and JavaScript, nothing fetched from elsewhere.
#pragma once

#include <string_view>

namespace dio {

std::string_view view_page();

}  // namespace dio
