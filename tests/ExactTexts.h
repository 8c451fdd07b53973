// Expected copies of the GLSL texts the product ships, written out by hand
// and compared byte for byte: a changed swizzle, operand or constant, or two
// lines swapped, keeps a text's length but not its bytes. The lengths below
// guard the copies themselves against a slip of the pen.
#pragma once

#include <cstddef>

namespace exact {

template <std::size_t N>
constexpr std::size_t Length(const char (&)[N]) {
  return N - 1;
}

// The quick-start fragment header every quick-start plugin starts from.
inline constexpr char kFragmentHeader[] =
    "\n\t\t#version 410 core"
    "\n\t\tout vec4 fragColor;"
    "\n\t\tuniform vec2 resolution;"
    "\n\t\tuniform float time;"
    "\n\t\tuniform float deltaTime;"
    "\n\t\tuniform int frame;"
    "\n\t\tuniform float bpm;"
    "\n\t\tuniform float phase;"
    "\n\t";
static_assert(Length(kFragmentHeader) == 185);

// What each variant appends to that header, and its vertex shader.
inline constexpr char kEffectHeaderAddition[] =
    "\n\t\tin vec2 i_uv;\n\t\tuniform sampler2D inputTexture;\n\t";
inline constexpr char kMixerHeaderAddition[] =
    "\n\t\tuniform sampler2D textureDest;\n\t\tuniform sampler2D textureSrc;\n\n\t\tin vec2 "
    "i_uv_dest;\n\t\tin vec2 i_uv_src;\n\t";
inline constexpr char kSourceHeaderAddition[] = "\n\t\tin vec2 i_uv;\n\t";
static_assert(Length(kEffectHeaderAddition) == 52);
static_assert(Length(kMixerHeaderAddition) == 109);
static_assert(Length(kSourceHeaderAddition) == 18);

inline constexpr char kEffectVertexShader[] =
    "\n\t\t#version 410 core\n\t\tuniform vec2 maxUV;\n\n\t\tlayout( location = 0 ) in vec4 "
    "vPosition;\n\t\tlayout( location = 1 ) in vec2 vUV;\n\n\t\tout vec2 i_uv;\n\n\t\tvoid "
    "main()\n\t\t{\n\t\t\tgl_Position = vPosition;\n\t\t\ti_uv = vUV * maxUV;\n\t\t}\n\t";
inline constexpr char kMixerVertexShader[] =
    "#version 410 core\n\t\tuniform vec2 maxUVDest;\n\t\tuniform vec2 maxUVSrc;\n\n\t\tlayout( "
    "location = 0 ) in vec4 vPosition;\n\t\tlayout( location = 1 ) in vec2 vUV;\n\n\t\tout vec2 "
    "i_uv_dest;\n\t\tout vec2 i_uv_src;\n\n\t\tvoid main()\n\t\t{\n\t\t\tgl_Position = "
    "vPosition;\n\t\t\ti_uv_dest = vUV * maxUVDest;\n\t\t\ti_uv_src = vUV * maxUVSrc;\n\t\t}\n\t";
inline constexpr char kSourceVertexShader[] =
    "\n\t\t#version 410 core\n\t\tlayout( location = 0 ) in vec4 vPosition;\n\t\tlayout( "
    "location = 1 ) in vec2 vUV;\n\n\t\tout vec2 i_uv;\n\n\t\tvoid main()\n\t\t{\n\t\t\tgl_Position "
    "= vPosition;\n\t\t\ti_uv = vUV;\n\t\t}\n\t";
static_assert(Length(kEffectVertexShader) == 219);
static_assert(Length(kMixerVertexShader) == 310);
static_assert(Length(kSourceVertexShader) == 188);

// The snippet library, ids 0 (random), 1 (map) and 2 (simplex noise).
inline constexpr char kSnippetRandom[] =
    "\n"
    "const uint random_k = 1103515245U;  // GLIB C\n"
    "\n"
    "float random( uvec2 x )\n"
    "{\n"
    "\tuvec2 q = random_k * ( (x>>1U) ^ (x.yx   ) );\n"
    "\tuint  n = random_k * ( (q.x  ) ^ (q.y>>3U) );\n"
    "\treturn float(n) * (1.0/float(0xffffffffU));\n"
    "}\n"
    "\n"
    "vec3 random3( uvec3 x )\n"
    "{\n"
    "\tx = ((x>>8U)^x.yzx)*random_k;\n"
    "\tx = ((x>>8U)^x.yzx)*random_k;\n"
    "\tx = ((x>>8U)^x.yzx)*random_k;\n"
    "\n"
    "\treturn vec3(x)*(1.0/float(0xffffffffU));\n"
    "}\n"
    "\n"
    "float random()\n"
    "{\n"
    "\tuvec2 p = uvec2(gl_FragCoord) + uint(resolution.x) * uint(resolution.y) * uint(frame);\n"
    "\treturn random(p);\n"
    "}\n";
inline constexpr char kSnippetMap[] =
    "\n"
    "float map( float t, float a, float b )\n"
    "{\n"
    "\treturn clamp( (t - a) / (b - a), 0.0, 1.0 );\n"
    "}\n"
    "\n"
    "vec2 map( vec2 t, vec2 a, vec2 b )\n"
    "{\n"
    "\treturn clamp( (t - a) / (b - a), 0.0, 1.0 );\n"
    "}\n"
    "\n"
    "float map( float value, float low, float high, float newLow, float newHigh )\n"
    "{\n"
    "\tfloat res = newLow + (value - low) * (newHigh - newLow) / (high - low);\n"
    "\treturn clamp(res, newLow, newHigh);\n"
    "}\n"
    "\n"
    "vec2 map(vec2 value, vec2 low, vec2 high, vec2 newLow, vec2 newHigh) {\n"
    "\t\tvec2 res = newLow + (value - low) * (newHigh - newLow) / (high - low);\n"
    "\t\treturn clamp(res, newLow, newHigh);\n"
    "}\n";
// Taken from the framework as it stands, so that any edit to it is a
// deliberate one, made here as well.
inline constexpr char kSnippetSimplexNoise[] =
    "\n"
    "vec3 random3( vec3 c )\n"
    "{\n"
    "\tfloat j = 4096.0*sin(dot(c, vec3(17.0, 59.4, 15.0)));\n"
    "\tvec3 r;\n"
    "\tr.z = fract(512.0*j);\n"
    "\tj *= 0.125;\n"
    "\tr.x = fract(512.0*j);\n"
    "\tj *= 0.125;\n"
    "\tr.y = fract(512.0*j);\n"
    "\treturn r;\n"
    "}\n"
    "\n"
    "const float F3 =  0.3333333;\n"
    "const float G3 =  0.1666667;\n"
    "\n"
    "float simplex3d(vec3 p)\n"
    "{\n"
    "\tvec3 s = floor(p + dot(p, vec3(F3)));\n"
    "\tvec3 x = p - s + dot(s, vec3(G3));\n"
    "\n"
    "\tvec3 e = step(vec3(0.0), x - x.yzx);\n"
    "\tvec3 i1 = e*(1.0 - e.zxy);\n"
    "\tvec3 i2 = 1.0 - e.zxy*(1.0 - e);\n"
    "\n"
    "\tvec3 x1 = x - i1 + G3;\n"
    "\tvec3 x2 = x - i2 + 2.0*G3;\n"
    "\tvec3 x3 = x - 1.0 + 3.0*G3;\n"
    "\n"
    "\tvec4 w, d;\n"
    "\tw.x = dot(x, x);\n"
    "\tw.y = dot(x1, x1);\n"
    "\tw.z = dot(x2, x2);\n"
    "\tw.w = dot(x3, x3);\n"
    "\tw = max(0.6 - w, 0.0);\n"
    "\n"
    "\td.x = dot(random3(s) - 0.5, x);\n"
    "\td.y = dot(random3(s + i1) - 0.5, x1);\n"
    "\td.z = dot(random3(s + i2) - 0.5, x2);\n"
    "\td.w = dot(random3(s + 1.0) - 0.5, x3);\n"
    "\n"
    "\tw *= w;\n"
    "\tw *= w;\n"
    "\td *= w;\n"
    "\treturn dot(d, vec4(52.0));\n"
    "}\n"
    "\n"
    "const mat3 rot1 = mat3(-0.37, 0.36, 0.85,-0.14,-0.93, 0.34,0.92, 0.01,0.4);\n"
    "const mat3 rot2 = mat3(-0.55,-0.39, 0.74, 0.33,-0.91,-0.24,0.77, 0.12,0.63);\n"
    "const mat3 rot3 = mat3(-0.71, 0.52,-0.47,-0.08,-0.72,-0.68,-0.7,-0.45,0.56);\n"
    "\n"
    "float fractal_noise(vec3 m, vec4 coef)\n"
    "{\n"
    "\treturn coef.x*simplex3d(m*rot1)\n"
    "\t\t+ coef.y*simplex3d(2.0*m*rot2)\n"
    "\t\t+ coef.z*simplex3d(4.0*m*rot3)\n"
    "\t\t+ coef.w*simplex3d(8.0*m);\n"
    "}\n";
static_assert(Length(kSnippetRandom) == 507);
static_assert(Length(kSnippetMap) == 553);
static_assert(Length(kSnippetSimplexNoise) == 1270);

// The preview plugin's program.
inline constexpr char kPreviewVertexShader[] =
    "#version 410 core\n"
    "layout(location=0) in vec4 vPosition;\n"
    "layout(location=1) in vec2 vUV;\n"
    "out vec2 uv;\n"
    "void main(){ gl_Position=vPosition; uv=vUV; }\n";
inline constexpr char kPreviewFragmentShader[] =
    "#version 410 core\n"
    "uniform sampler2D image;\n"
    "uniform vec2 scale;\n"
    "uniform bool flip;\n"
    "uniform bool live;\n"
    "in vec2 uv;\n"
    "out vec4 color;\n"
    "void main(){\n"
    "    vec2 p=(uv-0.5)*scale+0.5;\n"
    "    if(!live || any(lessThan(p,vec2(0))) || any(greaterThan(p,vec2(1)))) "
    "{color=vec4(0,0,0,1);return;}\n"
    "    p.y=flip?p.y:1.0-p.y;\n"
    "    color=vec4(texture(image,p).rgb,1);\n"
    "}\n";

}  // namespace exact
