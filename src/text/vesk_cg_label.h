#pragma once
// Picture-font captions (the CGCaption command, object kind 24): each character of the text
// is looked up in PR_MAPTEXT, and its position there selects a cell of PR_GLYPHWIDTH x
// PR_GLYPHHEIGHT pixels of the PR_SOURCE picture, cells counted row by row. Characters the
// map lacks leave a blank cell. Lines are PR_GLYPHHEIGHT + PR_LINESPACE apart and aligned
// by PR_HALIGN (0 left, 1 centre, 2 right).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/vesk_control.h"
#include "display/vesk_image_list.h"

namespace vesk {

class TVeskCGLabel final : public TVeskControl {
  public:
    explicit TVeskCGLabel(TVeskBaseList* owner);
    ~TVeskCGLabel() override;

    int32_t Kind() const override { return LT_CGLABEL; }
    bool WantsDefaultName() const override { return true; }

    // The cell index of every character of every line (-1: not in the map).
    const std::vector<std::vector<int32_t>>& Cells() const { return cells_; }
    int32_t NaturalWidth() const { return naturalW_; }
    int32_t NaturalHeight() const { return naturalH_; }

    void PaintSelf(TCustomDIBX& s) override;
    bool IsPlaying() override { return ActiveMotion() != nullptr; }

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

  private:
    void SetSource(const std::string& name);
    // Maps the text through the map text and sizes the object.
    void Relayout();

    std::string source_;
    std::unique_ptr<TVeskImageList> frames_;
    int32_t alpha_ = 255;
    int32_t lineSpace_ = 0;
    bool paused_ = false;
    std::vector<std::string> lines_;
    uint8_t halign_ = 0;
    std::string mapText_;
    int32_t glyphW_ = 0, glyphH_ = 0;
    std::string idlePage_;
    std::vector<std::vector<int32_t>> cells_;
    int32_t naturalW_ = 0, naturalH_ = 0;
};

}  // namespace vesk
