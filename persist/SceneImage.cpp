#include "SceneImage.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/TextFileFns.h"
#include "persist/SceneryFile.h"

#include <string_view>

namespace quillon {

bool IsPngFile(const std::string& path)
{
    static constexpr std::string_view Signature("\x89PNG\r\n\x1A\n", 8);
    try {
        return ReadFileHead(path, Signature.size()) == Signature;
    } catch (const EQuillonError&) {
        return false;
    }
}

TPngTextChunk SceneTextChunk(const ISceneryHost& host)
{
    // Text chunks hold Latin-1; the scenery text is plain ASCII in practice.
    std::string text = EncodeText(SceneryText(host));
    std::erase(text, '\r');
    return {std::string(SceneChunkKeyword), std::move(text)};
}

std::optional<std::string> ReadSceneFromPng(const std::string& path)
{
    std::optional<std::string> text = ReadPngText(path, std::string(SceneChunkKeyword));
    if (text) *text = DecodeText(*text);
    return text;
}

std::optional<std::string> ReadSceneFromPng(std::FILE* file, const std::string& name)
{
    std::optional<std::string> text = ReadPngText(file, name, std::string(SceneChunkKeyword));
    if (text) *text = DecodeText(*text);
    return text;
}

void LoadSceneFromFile(ISceneryHost& host, const std::string& path)
{
    if (!IsPngFile(path)) {
        LoadSceneryFile(host, path);
        return;
    }
    const std::optional<std::string> text = ReadSceneFromPng(path);
    if (!text) throw EQuillonError("Invalid Quillon scenary file.");
    LoadSceneryFromText(host, *text);
}

} // namespace quillon
