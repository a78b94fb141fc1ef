#pragma once
// Pictures that carry their scene: a PNG text chunk "Quillon scene" holds the
// scenery document, so that opening the picture brings back the view, the
// parameters and the palette that made it.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "imageio/PngWriter.h"

namespace quillon {

class ISceneryHost;

inline constexpr std::string_view SceneChunkKeyword = "Quillon scene";

// True when Path starts with the 8-byte PNG signature, whatever its name.
// False as well when it cannot be read; loading it then tells why.
bool IsPngFile(const std::string& path);

// The host's scenery document as a PNG text chunk (line feeds only, as PNG
// text wants them), for WritePng and WriteImage.
TPngTextChunk SceneTextChunk(const ISceneryHost& host);

// The scenery text (UTF-8) a PNG carries; no value when it carries none.
// Fails when the file cannot be read or is no PNG.
std::optional<std::string> ReadSceneFromPng(const std::string& path);
// The same over an open stream at the signature; Name is named in messages.
std::optional<std::string> ReadSceneFromPng(std::FILE* file, const std::string& name);

// Loads a scenery file, or a PNG (told by its signature) that carries its
// scene, into Host. A PNG without a scene fails with "Invalid Quillon scenary
// file." and changes nothing, as any other file that is no scenery file.
void LoadSceneFromFile(ISceneryHost& host, const std::string& path);

} // namespace quillon
