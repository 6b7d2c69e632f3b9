/* The engine in a host with no Qt of its own: a plain C program loads the
 * library with dlopen, draws text and an HTML box in Greek and Cyrillic,
 * renders the page and saves the document; pdftotext and pdffonts check the
 * result. Fonts must come from the system, not from a GUI application object
 * the host never made.
 *
 *   engine_plain_c_host LIBRARY
 */

#include "fpe_exports.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int failures = 0;

static void check(int ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "FAIL: %s\n", what);
        ++failures;
    }
}

/* The output of a shell command (up to 64 KB); empty when it failed. */
static const char* output(const char* command)
{
    static char text[1 << 16];
    FILE* p = popen(command, "r");
    size_t n = p ? fread(text, 1, sizeof text - 1, p) : 0;
    if (!p || pclose(p) != 0)
        n = 0;
    text[n] = '\0';
    return text;
}

/* A file name as the engine takes it: UTF-16 (ASCII names here). */
static const char16_t* utf16(const char* name, char16_t* out)
{
    size_t i = 0;
    for (; name[i]; ++i)
        out[i] = (unsigned char)name[i];
    out[i] = 0;
    return out;
}

static int nonEmptyFile(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && st.st_size > 0;
}

#define RESOLVE(name) __typeof__(&name) p##name = (__typeof__(&name))dlsym(library, #name); \
    if (!p##name) { fprintf(stderr, "FAIL: %s is not exported\n", #name); return 1; }

int main(int argc, char** argv)
{
    void* library = argc == 2 ? dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) : NULL;
    if (!library) {
        fprintf(stderr, "usage: engine_plain_c_host LIBRARY (%s)\n", dlerror());
        return 2;
    }
    RESOLVE(FPECreateLibrary)
    RESOLVE(FPEReleaseLibrary)
    RESOLVE(FPEStringResultLength)
    RESOLVE(FPEAddTrueTypeFont)
    RESOLVE(FPESetTextSize)
    RESOLVE(FPESetOrigin)
    RESOLVE(FPEDrawText)
    RESOLVE(FPEDrawHTMLTextBox)
    RESOLVE(FPERenderPageToFile)
    RESOLVE(FPESaveToFile)

    char dir[] = "/tmp/folio-plainhost-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    char pdf[64], png[64], jpeg[64], command[256];
    char16_t name[64];
    snprintf(pdf, sizeof pdf, "%s/text.pdf", dir);
    snprintf(png, sizeof png, "%s/page.png", dir);
    snprintf(jpeg, sizeof jpeg, "%s/page.jpg", dir);

    const int engine = pFPECreateLibrary();
    check(engine > 0, "an instance is made");
    check(pFPEAddTrueTypeFont(engine, u"DejaVu Sans", 1) > 0, "AddTrueTypeFont finds DejaVu Sans");
    pFPESetOrigin(engine, 1);
    pFPESetTextSize(engine, 14);
    check(pFPEDrawText(engine, 72, 100, u"Καλημέρα κόσμε") == 1, "DrawText draws");
    pFPEDrawHTMLTextBox(engine, 72, 200, 460, 300, u"<b>Съешь же ещё</b> этих мягких <i>французских</i> булок");
    check(pFPEStringResultLength(engine) == 0, "the HTML box holds all its text");
    check(pFPERenderPageToFile(engine, 72, 1, 5, utf16(png, name)) == 1 && nonEmptyFile(png), "a page renders to PNG");
    check(pFPERenderPageToFile(engine, 72, 1, 1, utf16(jpeg, name)) == 1 && nonEmptyFile(jpeg), "a page renders to JPEG");
    check(pFPESaveToFile(engine, utf16(pdf, name)) == 1, "the document is saved");
    pFPEReleaseLibrary(engine);

    snprintf(command, sizeof command, "pdftotext '%s' -", pdf);
    const char* text = output(command);
    check(strstr(text, "Καλημέρα κόσμε") != NULL, "pdftotext reads the Greek line");
    check(strstr(text, "Съешь же ещё этих мягких французских булок") != NULL, "pdftotext reads the Cyrillic box");

    /* Regular, bold and oblique faces, each an embedded Identity-H subset with a Unicode map. */
    snprintf(command, sizeof command, "pdffonts '%s' | grep -c '^[A-Z]\\{6\\}+DejaVuSans.*CID TrueType *Identity-H *yes yes yes'", pdf);
    check(strcmp(output(command), "3\n") == 0, "pdffonts lists three embedded subsets of DejaVu Sans");

    snprintf(command, sizeof command, "rm -rf '%s'", dir);
    if (system(command) != 0)
        fprintf(stderr, "could not remove %s\n", dir);
    dlclose(library);
    if (failures == 0)
        printf("PASS: text in a plain C host\n");
    return failures == 0 ? 0 : 1;
}
