#include "quickstart/UniformNames.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace ffglqs {

namespace {

// The keywords of GLSL 4.10 and the words it reserves for later use: a
// uniform of one of these names does not compile.
const char* const kReservedWords[] = {
    // keywords
    "attribute", "const", "uniform", "varying", "layout", "centroid", "flat", "smooth",
    "noperspective", "patch", "sample", "break", "continue", "do", "for", "while", "switch",
    "case", "default", "if", "else", "subroutine", "in", "out", "inout", "float", "double",
    "int", "void", "bool", "true", "false", "invariant", "discard", "return", "mat2", "mat3",
    "mat4", "dmat2", "dmat3", "dmat4", "mat2x2", "mat2x3", "mat2x4", "dmat2x2", "dmat2x3",
    "dmat2x4", "mat3x2", "mat3x3", "mat3x4", "dmat3x2", "dmat3x3", "dmat3x4", "mat4x2",
    "mat4x3", "mat4x4", "dmat4x2", "dmat4x3", "dmat4x4", "vec2", "vec3", "vec4", "ivec2",
    "ivec3", "ivec4", "bvec2", "bvec3", "bvec4", "dvec2", "dvec3", "dvec4", "uint", "uvec2",
    "uvec3", "uvec4", "lowp", "mediump", "highp", "precision", "sampler1D", "sampler2D",
    "sampler3D", "samplerCube", "sampler1DShadow", "sampler2DShadow", "samplerCubeShadow",
    "sampler1DArray", "sampler2DArray", "sampler1DArrayShadow", "sampler2DArrayShadow",
    "isampler1D", "isampler2D", "isampler3D", "isamplerCube", "isampler1DArray",
    "isampler2DArray", "usampler1D", "usampler2D", "usampler3D", "usamplerCube",
    "usampler1DArray", "usampler2DArray", "sampler2DRect", "sampler2DRectShadow",
    "isampler2DRect", "usampler2DRect", "samplerBuffer", "isamplerBuffer", "usamplerBuffer",
    "sampler2DMS", "isampler2DMS", "usampler2DMS", "sampler2DMSArray", "isampler2DMSArray",
    "usampler2DMSArray", "samplerCubeArray", "samplerCubeArrayShadow", "isamplerCubeArray",
    "usamplerCubeArray", "struct",
    // reserved for later use
    "common", "partition", "active", "asm", "class", "union", "enum", "typedef", "template",
    "this", "packed", "goto", "inline", "noinline", "volatile", "public", "static", "extern",
    "external", "interface", "long", "short", "half", "fixed", "unsigned", "superp", "input",
    "output", "hvec2", "hvec3", "hvec4", "fvec2", "fvec3", "fvec4", "sampler3DRect", "filter",
    "image1D", "image2D", "image3D", "imageCube", "iimage1D", "iimage2D", "iimage3D",
    "iimageCube", "uimage1D", "uimage2D", "uimage3D", "uimageCube", "image1DArray",
    "image2DArray", "iimage1DArray", "iimage2DArray", "uimage1DArray", "uimage2DArray",
    "image1DShadow", "image2DShadow", "image1DArrayShadow", "image2DArrayShadow", "imageBuffer",
    "iimageBuffer", "uimageBuffer", "sizeof", "cast", "namespace", "using", "row_major"};

bool IsIdentifier(const std::string& name) {
  const auto letter = [](unsigned char c) { return std::isalpha(c) || c == '_'; };
  const auto letterOrDigit = [&](unsigned char c) { return letter(c) || std::isdigit(c); };
  // Bytes, not chars: a name in UTF-8 must not reach the classification
  // functions as negative values.
  const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
  return !name.empty() && letter(bytes[0]) &&
         std::all_of(bytes + 1, bytes + name.size(), letterOrDigit);
}

bool IsReservedWord(const std::string& name) {
  return std::any_of(std::begin(kReservedWords), std::end(kReservedWords),
                     [&](const char* word) { return name == word; });
}

// Adds every capture of `pattern` in `text` (whichever group matched).
void AddMatches(const std::string& text, const std::regex& pattern, std::set<std::string>& names) {
  for (std::sregex_iterator match(text.begin(), text.end(), pattern), end; match != end; ++match) {
    for (std::size_t group = 1; group < match->size(); ++group) {
      if ((*match)[group].matched) names.insert((*match)[group].str());
    }
  }
}

}  // namespace

std::set<std::string> NamesTheShaderDeclares(const ShaderTexts& texts) {
  // Qualified declarations are global wherever they stand.
  const std::regex qualified(R"(\b(?:uniform|in|out)\s+\w+\s+(\w+)\s*;)");
  const std::regex uniform(R"(\buniform\s+\w+\s+(\w+)\s*;)");
  // Functions and constants that start a line: global in the snippets, which
  // indent everything inside a function.
  const std::regex function(R"((?:^|\n)\w+\s+(\w+)\s*\()");
  const std::regex functionOrConstant(
      R"((?:^|\n)(?:const\s+\w+\s+(\w+)\s*=|\w+\s+(\w+)\s*\())");

  std::set<std::string> names;
  AddMatches(texts.fragmentHeader, qualified, names);
  AddMatches(texts.vertexShader, uniform, names);
  AddMatches(texts.snippets, functionOrConstant, names);
  AddMatches(texts.body, qualified, names);
  AddMatches(texts.body, function, names);
  names.insert("main");  // the body's, however it is indented
  return names;
}

std::string WhyNotAUniformName(const std::string& name, const std::set<std::string>& declared,
                               const std::set<std::string>& earlierParams) {
  if (!IsIdentifier(name)) {
    return "it is not a GLSL identifier (letters, digits and _, not starting with a digit)";
  }
  if (IsReservedWord(name)) return "\"" + name + "\" is a reserved word of GLSL";
  if (name.compare(0, 3, "gl_") == 0) return "names starting with gl_ are reserved for GLSL";
  if (declared.count(name) != 0) return "the shader already declares \"" + name + "\"";
  if (earlierParams.count(name) != 0) return "an earlier parameter's uniform has the same name";
  return {};
}

}  // namespace ffglqs
