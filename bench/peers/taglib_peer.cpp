// The TagLib side of scripts/bench-peers.sh, doing the work sonvale-cli does:
//   taglib_peer info PATH...          audio properties and every tag of each file, one line
//                                     per file; folders walked recursively in name order
//   taglib_peer title TEXT PATH...    sets the ID3v2 title of MP3 files (folders walked),
//                                     as ID3v2.3, other tags left as they are
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool KnownExtension(const fs::path& p) {
    std::string e = p.extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* k :
         {".wav", ".mp1", ".mp2", ".mp3", ".wma", ".asf", ".ogg", ".ape", ".ac3", ".mpc"})
        if (e == k) return true;
    return false;
}

void Walk(const fs::path& dir, std::vector<std::string>& out) {
    std::vector<fs::directory_entry> entries(fs::directory_iterator(dir), {});
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries) {
        if (e.is_directory())
            Walk(e.path(), out);
        else if (KnownExtension(e.path()))
            out.push_back(e.path().string());
    }
}

// Files as given, folders walked.
std::vector<std::string> Expand(int count, char** paths) {
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        if (fs::is_directory(paths[i]))
            Walk(paths[i], files);
        else
            files.push_back(paths[i]);
    }
    return files;
}

int Info(int count, char** paths) {
    const std::vector<std::string> files = Expand(count, paths);
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    int status = 0;
    for (const std::string& f : files) {
        TagLib::FileRef ref(f.c_str(), true, TagLib::AudioProperties::Average);
        if (ref.isNull()) {
            std::printf("%s\terror\n", f.c_str());
            status = 1;
            continue;
        }
        std::string line = f;
        if (const TagLib::AudioProperties* a = ref.audioProperties())
            line += "\t" + std::to_string(a->lengthInMilliseconds()) + "\t" +
                    std::to_string(a->bitrate()) + "\t" + std::to_string(a->sampleRate()) + "\t" +
                    std::to_string(a->channels());
        const TagLib::PropertyMap tags = ref.file()->properties();
        for (const auto& [key, values] : tags)
            for (const TagLib::String& v : values)
                line += "\t" + key.to8Bit(true) + "=" + v.to8Bit(true);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return status;
}

int Title(const char* title, int count, char** paths) {
    int status = 0;
    for (const std::string& file : Expand(count, paths)) {
        TagLib::MPEG::File f(file.c_str(), false);
        if (!f.isValid()) {
            status = 1;
            continue;
        }
        f.ID3v2Tag(true)->setTitle(TagLib::String(title, TagLib::String::UTF8));
        if (!f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                    TagLib::File::DoNotDuplicate))
            status = 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "info") == 0) return Info(argc - 2, argv + 2);
    if (argc >= 4 && std::strcmp(argv[1], "title") == 0) return Title(argv[2], argc - 3, argv + 3);
    std::fprintf(stderr, "usage: taglib_peer info PATH... | title TEXT PATH...\n");
    return 2;
}
