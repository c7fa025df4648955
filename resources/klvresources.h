#pragma once

// Registers the compiled-in style sheet and icons. Call before building any
// form that shows an icon; calling it again is harmless.
void klvInitResources();
