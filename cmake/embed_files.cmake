# Turns files into a C++ source of byte arrays, run at build time as
#   cmake -DOUTPUT=out.cpp -DNAMESPACE=ns -DFUNCTION=name -DFILES="a;b" -P embed_files.cmake
# The source defines `std::span<const EmbeddedFile> ns::name()`, one entry per file with its base
# name and bytes; the header declaring EmbeddedFile is included by name as "embedded_file.h".
set(entries "")
set(arrays "")
set(index 0)
foreach(path IN LISTS FILES)
  get_filename_component(name "${path}" NAME)
  file(READ "${path}" content HEX)
  string(LENGTH "${content}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," content "${content}")
  string(REGEX REPLACE "(('\\\\x..',){24})" "\\1\n" content "${content}")
  string(APPEND arrays "const char kFile${index}[] = {\n${content}'\\0'};\n")
  string(APPEND entries "    {\"${name}\", std::string_view(kFile${index}, ${size})},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Made at build time from the files it embeds: do not edit.
#include <span>

#include \"embedded_file.h\"

namespace ${NAMESPACE} {

namespace {

${arrays}
const EmbeddedFile kFiles[] = {
${entries}};

}  // namespace

std::span<const EmbeddedFile> ${FUNCTION}() { return kFiles; }

}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
