#include "tags/TagSelect.h"

TFileTagInfo ReadPreferredTags(const QString& fileName) {
    (void)fileName;
    // Filled in by the tag layer.
    return {};
}
