// The component's identifiers are written once, in component/IPalvex.h; the interface description
// and the registry script name them again as text, and must name the same ones.
#include "component/IPalvex.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

std::string ReadSource(const std::string& relativePath)
{
    std::ifstream file(std::string(QUENVAR_SOURCE_DIR) + "/" + relativePath);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The identifier in registry form without braces, upper case: "6C1D4F20-8A31-...".
std::string Text(const GUID& id)
{
    OLECHAR wide[39];
    EXPECT_EQ(StringFromGUID2(id, wide, 39), 39);
    return std::string(wide + 1, wide + 37);
}

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
}

// Each declaration of the IDL that carries a uuid attribute, by name.
std::map<std::string, std::string> DeclaredIdentifiers(const std::string& idl)
{
    static const std::regex declaration(
        R"(uuid\(([0-9A-Fa-f-]{36})\)[^\]]*\]\s*(?:interface|library|coclass)\s+(\w+))");
    std::map<std::string, std::string> identifiers;
    for (auto it = std::sregex_iterator(idl.begin(), idl.end(), declaration); it != std::sregex_iterator(); ++it) {
        identifiers[(*it)[2]] = Upper((*it)[1]);
    }
    return identifiers;
}

TEST(Identifiers, InterfaceDescriptionDeclaresTheHeadersIdentifiers)
{
    const auto declared = DeclaredIdentifiers(ReadSource("resources/Quenvar.idl"));
    EXPECT_EQ(declared.size(), 3u);
    EXPECT_EQ(declared.at("Palvex"), Text(quenvar::CLSID_Palvex));
    EXPECT_EQ(declared.at("IPalvex"), Text(quenvar::IID_IPalvex));
    EXPECT_EQ(declared.at("QUENVARLib"), Text(quenvar::LIBID_QUENVARLib));
}

TEST(Identifiers, RegistryScriptNamesOnlyTheClassIdentifier)
{
    const std::string script = ReadSource("resources/Quenvar.rgs");
    static const std::regex braced(R"(\{([0-9A-Fa-f-]{36})\})");
    int count = 0;
    for (auto it = std::sregex_iterator(script.begin(), script.end(), braced); it != std::sregex_iterator(); ++it) {
        EXPECT_EQ(Upper((*it)[1]), Text(quenvar::CLSID_Palvex));
        ++count;
    }
    EXPECT_EQ(count, 2);  // the ProgID's CLSID value and the class key
}

}  // namespace
