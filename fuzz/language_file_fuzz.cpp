// Language files: the record container and the header and entries read from it.
#include "FuzzTarget.h"

#include "io/SonvaleError.h"
#include "lang/LanguageFile.h"

SONVALE_FUZZ_TARGET(language_file) {
    const QString path = FuzzFile("SPK", data, size);
    try {
        TLanguageFile file;
        if (ReadLanguageFile(path, file)) (void)file.Entries.size();
    } catch (const ESonvaleError&) {
    }
}
