# Writes OUTPUT, a C++ source that holds the bytes of each PICTURES file (a list of PNG paths) under
# its name without ".png", for GamePictures.cpp. Run with cmake -P at build time.
set(entries "")
set(arrays "")
set(index 0)
foreach(picture IN LISTS PICTURES)
  get_filename_component(name "${picture}" NAME_WE)
  file(READ "${picture}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "constexpr char kPicture${index}[] = {${bytes}};\n")
  string(APPEND entries "    { \"${name}\", { kPicture${index}, ${size} } },\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by EmbedPictures.cmake from resources/img; do not edit.
#include \"GamePictures.h\"

namespace server::embedded {
namespace {
${arrays}} // namespace

extern const GamePicture kGamePictures[] = {
${entries}};
extern const std::size_t kGamePictureCount = ${index};
} // namespace server::embedded
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
