# Script mode: writes the bytes of INPUT into OUTPUT as a C++ array, so that a library can carry
# a data file without depending on where it is installed.
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P EmbedFile.cmake
# The array is <ns>::<name>, its length <ns>::<name>Size.
file(READ "${INPUT}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp" "// Generated from ${name} at build time.
#include <cstddef>

namespace ${NAMESPACE} {

extern const unsigned char ${SYMBOL}[] = {
    ${bytes}
};
extern const std::size_t ${SYMBOL}Size = sizeof ${SYMBOL};

}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
