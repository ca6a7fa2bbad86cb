#include "scale/batch_naming.h"

#include <cstring>

const char* const kNoSuffixItem = "（拡張子無し）";

const char* const kSameFolderMessage =
    "拡縮元フォルダと保存先フォルダが同じで\rファイル名拡張子が設定されていません\r\r"
    "保存先フォルダを変更するか\r１文字以上のファイル名拡張子を\r設定してください\r";

namespace {

// The characters a file-name suffix may not hold, as the message lists them.
constexpr const char* kRefusedCharacters = "\\/;,:*?\"<>|";

}  // namespace

bool IsFileName(const std::string& text) {
    // Bytes of UTF-8 text: the refused characters are all ASCII, and no
    // byte of a multi-byte character falls into the ASCII range. A NUL byte
    // would cut the file name short where the system reads it, so it is
    // refused as well (strchr finds it as the list's terminator).
    for (const char c : text)
        if (std::strchr(kRefusedCharacters, c) != nullptr) return false;
    return true;
}

std::string RefusedSuffixMessage() {
    return std::string("ファイル名拡張子に次の名前は使えません\r　　　　　　") + kRefusedCharacters;
}

std::string EffectiveSuffix(const std::string& suffixText) {
    return suffixText == kNoSuffixItem ? std::string() : suffixText;
}

std::string BatchBaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string BatchOutputName(const std::string& destinationFolder, const std::string& sourcePath,
                            const std::string& suffix, const std::string& extension) {
    std::string folder = destinationFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + BatchBaseName(sourcePath) + suffix + extension;
}
