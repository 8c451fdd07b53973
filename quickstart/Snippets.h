// The library of GLSL functions that a quick-start plugin can have placed into
// its fragment shader by id. Both tables are built when the library loads and
// never change afterwards, so any thread may read them.
#pragma once

#include <map>
#include <set>
#include <string>

namespace ffglqs {

// Unscoped on purpose: the tables and IncludeSnippet are keyed by plain int,
// and an int outside these ids is a valid key that simply has no entry.
enum SnippetId : int {
  Random = 0,        // random( uvec2 ), random3( uvec3 ), random(); needs "resolution" and "frame"
  Map = 1,           // four overloads of map()
  SimplexNoise = 2,  // random3( vec3 ), simplex3d(), fractal_noise()
};

// Snippet id to GLSL text. Each text starts with a line feed and ends with one.
extern const std::map<int, std::string> SnippetCode;

// Snippet id to the ids that must be included with it (one level only).
extern const std::map<int, std::set<int>> SnippetDependencies;

}  // namespace ffglqs
