// The preview program. The quad gives uv with v = 1 at the top of the
// viewport; the first uploaded row sits at t = 0, hence the 1 - p.y for an
// upright picture. Outside the framed unit square, or while nothing live is
// shown, the output is opaque black.
#pragma once

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
