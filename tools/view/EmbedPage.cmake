# Writes a C++ source that holds a file's bytes, so that the tool carries its page with it.
#   cmake -DINPUT=<page.html> -DOUTPUT=<ViewPage.cpp> -P EmbedPage.cmake
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE ${OUTPUT} "// Made from ${INPUT} by EmbedPage.cmake.\n#include \"tools/view/ViewPage.h\"\n\n"
  "namespace tarn::tool {\nnamespace {\nconst char kPage[] = {${bytes}};\n}  // namespace\n\n"
  "std::string_view ViewPage() { return {kPage, sizeof kPage}; }\n\n}  // namespace tarn::tool\n")
