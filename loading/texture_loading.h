#pragma once
// Filling textures from image files and from the numbered images of the image banks: the files
// are read and decoded here, then uploaded through Texture::upload.
#include <string>

class Texture;

namespace loading {

class DataRoot;

// Loads the image file `path` (decoder chosen by its extension) into `texture` with linear
// filtering and clamped addressing; width and height receive the decoded size. False when the
// file could not be read, decoded or uploaded; the texture then keeps what it held (an upload
// that fails empties it). Sides above the working size (at least 1024) or the card's largest
// texture are decoded smaller (JPEG, PNG) or refused, with a one-line message.
bool load_texture(DataRoot& root, Texture& texture, const std::string& path, int& width,
                  int& height);

// Loads image `n` of image bank `kind` (0 colour images, 1 forms, 2 factures), turned upside
// down, and uploads it like load_texture(). When no image could be read, width and height are
// set to 0 and the texture keeps what it held. `image_count` receives the bank's record count
// whenever the bank is open.
void load_bank_texture(DataRoot& root, Texture& texture, int n, int kind, int& width, int& height,
                       int& image_count);

}  // namespace loading
