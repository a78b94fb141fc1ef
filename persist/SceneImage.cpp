#include "SceneImage.h"

#include "engine/Errors.h"
#include "engine/TextFileFns.h"
#include "persist/SceneryFile.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace quillon {

namespace {

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool IsPngFile(const std::string& path)
{
    static const unsigned char Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    unsigned char head[8];
    return file && std::fread(head, 1, sizeof head, file.get()) == sizeof head &&
           std::memcmp(head, Signature, sizeof head) == 0;
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
