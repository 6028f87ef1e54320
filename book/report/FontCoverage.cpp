#include "book/report/FontCoverage.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H

struct FontCoverage::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Face() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

FontCoverage::FontCoverage(std::string_view bytes)
    : bytes_(bytes), face_(std::make_unique<Face>()) {
    if (FT_Init_FreeType(&face_->library) != 0) {
        problem_ = "FreeType 无法启动";
        return;
    }
    const auto* data = reinterpret_cast<const FT_Byte*>(bytes_.data());
    if (FT_New_Memory_Face(face_->library, data, static_cast<FT_Long>(bytes_.size()), 0,
                           &face_->face) != 0) {
        face_->face = nullptr;
        problem_ = "字体无法读取（格式不受支持，或已混淆）";
        return;
    }
    if (FT_Select_Charmap(face_->face, FT_ENCODING_UNICODE) != 0) {
        problem_ = "字体没有 Unicode 字符表";
    }
}

FontCoverage::~FontCoverage() = default;

bool FontCoverage::Has(char32_t character) const {
    return problem_.empty() && FT_Get_Char_Index(face_->face, character) != 0;
}
