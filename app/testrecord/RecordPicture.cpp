#include "app/testrecord/RecordPicture.h"

namespace {

bool AsciiLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string RecordPictureFolder(std::string_view date) {
    return "Pruefprotokoll-" + std::string(date);
}

namespace {

std::string PictureName(std::string_view time, std::string_view code) {
    std::string name;
    for (const char c : time)
        if (c != ':')
            name += c;
    name += '-';
    for (const char c : code)
        name += AsciiLetterOrDigit(c) ? c : '_';
    return name;
}

} // namespace

std::string RecordPictureFileName(std::string_view time, std::string_view code) {
    return PictureName(time, code) + ".png";
}

std::string RecordCodePictureFileName(std::string_view time, std::string_view code) {
    return PictureName(time, code) + "-Code.png";
}
