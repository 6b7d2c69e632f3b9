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
#include <unistd.h>

static int failures = 0;

static void check(int ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "FAIL: %s\n", what);
        ++failures;
    }
}

/* The whole output of a shell command; NULL when it could not run. */
static char* output(const char* command)
{
    FILE* p = popen(command, "r");
    if (!p)
        return NULL;
    size_t size = 0, room = 4096;
    char* text = malloc(room);
    size_t n;
    while (text && (n = fread(text + size, 1, room - size - 1, p)) > 0) {
        size += n;
        if (room - size < 1024) {
            room *= 2;
            text = realloc(text, room);
        }
    }
    if (pclose(p) != 0 && text) {
        free(text);
        return NULL;
    }
    if (text)
        text[size] = '\0';
    return text;
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
    if (argc != 2) {
        fprintf(stderr, "usage: engine_plain_c_host LIBRARY\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "FAIL: %s\n", dlerror());
        return 1;
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
    if (!mkdtemp(dir)) {
        perror("mkdtemp");
        return 1;
    }
    char pdf[64], png[64], jpeg[64], command[256];
    snprintf(pdf, sizeof pdf, "%s/text.pdf", dir);
    snprintf(png, sizeof png, "%s/page.png", dir);
    snprintf(jpeg, sizeof jpeg, "%s/page.jpg", dir);
    /* The engine takes UTF-16 file names. */
    char16_t pdf16[64], png16[64], jpeg16[64];
    for (size_t i = 0; i < sizeof pdf; ++i) {
        pdf16[i] = (unsigned char)pdf[i];
        png16[i] = (unsigned char)png[i];
        jpeg16[i] = (unsigned char)jpeg[i];
    }

    const int engine = pFPECreateLibrary();
    check(engine > 0, "an instance is made");
    check(pFPEAddTrueTypeFont(engine, u"DejaVu Sans", 1) > 0, "AddTrueTypeFont finds DejaVu Sans");
    pFPESetOrigin(engine, 1);
    pFPESetTextSize(engine, 14);
    check(pFPEDrawText(engine, 72, 100, u"Καλημέρα κόσμε") == 1, "DrawText draws");
    pFPEDrawHTMLTextBox(engine, 72, 200, 460, 300, u"<b>Съешь же ещё</b> этих мягких <i>французских</i> булок");
    check(pFPEStringResultLength(engine) == 0, "the HTML box holds all its text");
    check(pFPERenderPageToFile(engine, 72, 1, 5, png16) == 1 && nonEmptyFile(png), "a page renders to PNG");
    check(pFPERenderPageToFile(engine, 72, 1, 1, jpeg16) == 1 && nonEmptyFile(jpeg), "a page renders to JPEG");
    check(pFPESaveToFile(engine, pdf16) == 1, "the document is saved");
    pFPEReleaseLibrary(engine);

    snprintf(command, sizeof command, "pdftotext '%s' -", pdf);
    char* text = output(command);
    check(text && strstr(text, "Καλημέρα κόσμε"), "pdftotext reads the Greek line");
    check(text && strstr(text, "Съешь же ещё этих мягких французских булок"), "pdftotext reads the Cyrillic box");
    free(text);

    snprintf(command, sizeof command, "pdffonts '%s'", pdf);
    char* fonts = output(command);
    /* name type encoding emb sub uni object: every font an embedded Identity-H subset with a Unicode map. */
    check(fonts && strstr(fonts, "DejaVuSans-Bold"), "the bold words use DejaVu Sans Bold");
    int rows = 0;
    for (char* line = fonts ? strtok(fonts, "\n") : NULL; line; line = strtok(NULL, "\n")) {
        if (!strchr(line, '+'))
            continue;  /* the header lines */
        ++rows;
        check(strstr(line, "CID TrueType") && strstr(line, "Identity-H") && strstr(line, "yes yes yes"),
              "each font is an embedded CID TrueType subset with a Unicode map");
    }
    check(rows >= 3, "regular, bold and italic faces are embedded");
    free(fonts);

    snprintf(command, sizeof command, "rm -rf '%s'", dir);
    if (system(command) != 0)
        fprintf(stderr, "could not remove %s\n", dir);
    dlclose(library);
    if (failures == 0)
        printf("PASS: text in a plain C host\n");
    return failures == 0 ? 0 : 1;
}
