// Which names a parameter can give its shader uniform. The composed fragment
// source writes each name into "uniform <type> <name>;" unchanged, so a name
// the GLSL compiler cannot take would otherwise surface only as the
// compiler's complaint about a line the author never wrote.
#pragma once

#include <set>
#include <string>

namespace ffglqs {

// The texts that make up a quick-start plugin's program, as far as they
// declare global names a uniform could clash with.
struct ShaderTexts {
  const std::string& fragmentHeader;  // with the variant's additions
  const std::string& vertexShader;
  const std::string& snippets;  // the included snippets' code, one after another
  const std::string& body;
};

// The global names those texts declare: the header's uniform, in and out
// declarations; the vertex shader's uniforms (a fragment uniform of the same
// name but another type fails the link); the snippets' functions and
// constants; the body's functions (main among them) and its own uniform, in
// and out declarations. Written to recognise the framework's texts and the
// usual way of writing a body, not to parse GLSL: the compiler still has the
// last word on anything these patterns miss.
std::set<std::string> NamesTheShaderDeclares(const ShaderTexts& texts);

// Why `name` cannot name a new uniform in a shader that already declares
// `declared`, or that already has a parameter uniform of each name in
// `earlierParams`; empty when it can. Names that GLSL merely discourages
// (two underscores in a row) are accepted, as the compiler accepts them.
std::string WhyNotAUniformName(const std::string& name, const std::set<std::string>& declared,
                               const std::set<std::string>& earlierParams);

}  // namespace ffglqs
