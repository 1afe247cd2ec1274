# Writes a C++ file that holds the stored profiles byte for byte.
# Called as: cmake -DDATA_DIR=... -DOUT=... -P EmbedProfiles.cmake
set(body "// Generated from the stored profiles; do not edit.\n#include \"platform/host/embedded_profiles.h\"\n\nnamespace tavrune {\nnamespace {\n")
set(table "")
foreach(id 101 102 103)
  file(READ "${DATA_DIR}/profile${id}.bin" hex HEX)
  file(SIZE "${DATA_DIR}/profile${id}.bin" size)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "const std::uint8_t kProfile${id}[] = {${bytes}};\n")
  string(APPEND table "    {${id}, kProfile${id}, ${size}},\n")
endforeach()
string(APPEND body "}  // namespace\n\nconst EmbeddedProfile kEmbeddedProfiles[3] = {\n${table}};\n\n}  // namespace tavrune\n")
file(WRITE "${OUT}.tmp" "${body}")
file(RENAME "${OUT}.tmp" "${OUT}")
