// The page `dio view` serves: plain HTML, CSS and JavaScript (the files in page/, built into dio),
// nothing fetched from elsewhere.
#pragma once

#include <span>

#include "embedded_file.h"

namespace dio {

// The page's files by base name ("index.html", "view.js", ...).
std::span<const EmbeddedFile> view_page_files();
// The content type a page file is served with, from its name's extension.
const char* page_content_type(std::string_view name);

}  // namespace dio
