// Sanitizer defaults of the browser process alone, in the sanitizer build.
//
// The web engine is a prebuilt library, not built with the sanitizers, and
// it frees some of its objects through a pointer to a smaller base class
// (seen when a page is destroyed, for instance when the user closes a
// window); AddressSanitizer reports that as new-delete-type-mismatch and
// ends the browser. That is not in our code, and every other check stays
// on. What the engine keeps allocated to the end is left to the leak
// suppressions of the test run (tests/support/lsan.supp), so that leaks of
// our own code still show. Settings given in ASAN_OPTIONS still take
// precedence.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
