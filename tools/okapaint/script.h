// The okapaint stroke file: a line-based description of a small document
// and the strokes painted on it, run through the public interface only.
#pragma once

#include <string>

struct ScriptResult {
    bool ok = false;
    std::string error;  // "line N: ..." when !ok
    int width = 0, height = 0;
    int last_layer = 1;  // the layer painted last
};

// Run a stroke file's text. The document stays open for the caller to
// render or read; the caller deletes it.
ScriptResult run_script(const std::string& text);
