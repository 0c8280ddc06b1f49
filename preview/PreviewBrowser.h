#pragma once

// Opens scrap.htm of the working directory in a new browser window at the
// given outer rectangle (screen pixels) and leaves the window to the user.
// A scrap.htm that is not a regular file of the user is refused before any
// browser is asked for. Throws runtime::RuntimeError from the step that failed.
void OpenPreviewBrowser(short top, short left, short width, short height);
