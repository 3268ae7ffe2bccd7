#include "script/command_info.h"

#include "base/cp932.h"

namespace vesk {

namespace {

const char* const kPropertyNames[kPropertyCount] = {
    "PR_NAME",
    "PR_PARENT",
    "PR_SOURCE",
    "PR_LEFT",
    "PR_TOP",
    "PR_WIDTH",
    "PR_HEIGHT",
    "PR_ZOOMX",
    "PR_COLOR",
    "PR_BORDERWIDTH",
    "PR_BORDERCOLOR",
    "PR_ALPHA",
    "PR_PRIORITY",
    "PR_OFFSETX",
    "PR_OFFSETY",
    "PR_FONTNAME",
    "PR_FONTHEIGHT",
    "PR_FONTSTYLE",
    "PR_LINESPACE",
    "PR_FONTCOLOR",
    "PR_FONTLINKCOLOR",
    "PR_FONTBORDERCOLOR",
    "PR_FONTHOVERCOLOR",
    "PR_FONTHOVERSTYLE",
    "PR_HOVERCOLOR",
    "PR_ANTIALIAS",
    "PR_DELAY",
    "PR_PAUSED",
    "PR_VOLUME",
    "PR_REPEAT",
    "PR_BALANCE",
    "PR_ANGLE",
    "PR_ONPLAYING",
    "PR_ONNOTIFY",
    "PR_ONMOUSEMOVE",
    "PR_ONMOUSEOUT",
    "PR_ONLBTNDOWN",
    "PR_ONLBTNUP",
    "PR_ONRBTNDOWN",
    "PR_ONRBTNUP",
    "PR_ONWHEELDOWN",
    "PR_ONWHEELUP",
    "PR_BRIGHTNESS",
    "PR_ONPLAYEND",
    "PR_INDEX",
    "PR_COUNT",
    "PR_ONLINK",
    "PR_VISIBLE",
    "PR_COLCOUNT",
    "PR_ROWCOUNT",
    "PR_TEXT",
    "PR_MARGINX",
    "PR_MARGINY",
    "PR_HALIGN",
    "PR_BORDERSOURCETL",
    "PR_BORDERSOURCETC",
    "PR_BORDERSOURCETR",
    "PR_BORDERSOURCECL",
    "PR_BORDERSOURCECC",
    "PR_BORDERSOURCECR",
    "PR_BORDERSOURCEBL",
    "PR_BORDERSOURCEBC",
    "PR_BORDERSOURCEBR",
    "PR_BORDERHALIGNT",
    "PR_BORDERHALIGNC",
    "PR_BORDERHALIGNB",
    "PR_BORDERVALIGNL",
    "PR_BORDERVALIGNC",
    "PR_BORDERVALIGNR",
    "PR_SCROLLSOURCE",
    "PR_CHECKSOURCE",
    "PR_AUTOSCRAP",
    "PR_ONSELECT",
    "PR_RCLICKSCRAP",
    "PR_ONOPENING",
    "PR_ONOPENED",
    "PR_ONCLOSING",
    "PR_ONCLOSED",
    "PR_CARETX",
    "PR_CARETY",
    "PR_IGNOREMOUSE",
    "PR_TEXTPAUSED",
    "PR_TEXTDELAY",
    "PR_HOVERSOURCE",
    "PR_PRESSEDSOURCE",
    "PR_GROUPINDEX",
    "PR_ALLOWALLUP",
    "PR_SELECTED",
    "PR_CAPTUREMASK",
    "PR_POWER",
    "PR_ORIGWIDTH",
    "PR_ORIGHEIGHT",
    "PR_APPEARX",
    "PR_APPEARY",
    "PR_PARTMOTION",
    "PR_PARAM1",
    "PR_PARAM2",
    "PR_TOPINDEX",
    "PR_READONLY",
    "PR_CURSOR",
    "PR_POSZOOMED",
    "PR_ONPLAYSTART",
    "PR_PARAM3",
    "PR_ONMOUSEIN",
    "PR_ONMAPIN",
    "PR_ONMAPOUT",
    "PR_MAPSOURCE",
    "PR_AMP",
    "PR_WAVELEN",
    "PR_SCROLLX",
    "PR_SCROLLY",
    "PR_FLIPH",
    "PR_FLIPV",
    "PR_ONIDLE",
    "PR_DISTANCEX",
    "PR_DISTANCEY",
    "PR_CLIPLEFT",
    "PR_CLIPTOP",
    "PR_CLIPWIDTH",
    "PR_CLIPHEIGHT",
    "PR_DURATION",
    "PR_THUMBSOURCE",
    "PR_BUTTONSOURCE",
    "PR_MIN",
    "PR_MAX",
    "PR_VALUE",
    "PR_ORIENTATION",
    "PR_SMALLCHANGE",
    "PR_LARGECHANGE",
    "PR_MAPTEXT",
    "PR_GLYPHWIDTH",
    "PR_GLYPHHEIGHT",
    "PR_ZOOMY",
    "PR_CLICKEDSOURCE",
    "PR_ANIPAUSED",
    "PR_ONHOLD",
    "PR_ONRELEASE",
    "PR_REVERSE",
    "PR_PLAYING",
    "PR_REWINDONLOAD",
    "PR_COMPOTYPE",
    "PR_FONTSHADOWCOLOR",
    "PR_FONTBORDER",
    "PR_FONTSHADOW",
    "PR_ONKEYDOWN",
    "PR_ONKEYUP",
    "PR_ONKEYREPEAT",
    "PR_HANDLEKEY",
    "PR_ONFOCUSIN",
    "PR_ONFOCUSOUT",
    "PR_OVERLAY",
    "PR_TAG",
    "PR_CAPTURELINK",
    "PR_FONTHOVERBORDER",
    "PR_FONTHOVERBORDERCOLOR",
    "PR_FONTHOVERSHADOW",
    "PR_FONTHOVERSHADOWCOLOR",
    "PR_BARSIZE",
    "PR_MUTEONLOAD",
    "PR_PLUSX",
    "PR_PLUSY",
    "PR_CARETHEIGHT",
    "PR_REPEATPOS",
};

constexpr FieldKind E = FieldKind::Expr;
constexpr FieldKind S = FieldKind::Str;
constexpr FieldKind I = FieldKind::Int;
constexpr FieldKind B = FieldKind::Byte;
constexpr FieldKind L = FieldKind::ExprList;
constexpr FieldKind K = FieldKind::Block;
constexpr FieldKind P = FieldKind::Props;

// Every version the player accepts has these; the number only documents the lower bound.
constexpr int32_t kAny = 0;

#define PROPS_ONLY                \
    1, {                          \
        { P, "Properties", kAny } \
    }

const CommandInfo kCommands[kCommandTypeCount] = {
    {"If", "IF", 1, {{E, "Condition", kAny}}},
    {"Elseif", "ELSE IF", 1, {{E, "Condition", kAny}}},
    {"Else", "ELSE", 0, {}},
    {"Label", "ラベル", 1, {{S, "Name", kAny}}},
    {"Jump", "ジャンプ", 3, {{S, "Page", kAny}, {I, "Target", kAny}, {E, "Condition", kAny}}},
    {"Call",
     "コール",
     5,
     {{S, "Page", kAny},
      {I, "Target", kAny},
      {S, "ResultVar", kAny},
      {E, "Condition", kAny},
      {L, "Arguments", kAny}}},
    {"Exit", "リターン", 1, {{E, "Condition", kAny}}},
    {"Wait", "ウエイト", 3, {{E, "Condition", kAny}, {E, "Time", kAny}, {E, "BlockEvents", 107}}},
    {"BoxNew", "矩形サーフェス作成", PROPS_ONLY},
    {"ImgNew", "画像サーフェス作成", PROPS_ONLY},
    {"MesNew", "メッセージボックス作成", PROPS_ONLY},
    {"Timer", "タイマー", PROPS_ONLY},
    {"Movie", "ムービー再生", PROPS_ONLY},
    {"Flip",
     "フリップ",
     10,
     {{E, "Effect", kAny},
      {E, "Time", kAny},
      {E, "Reverse", kAny},
      {E, "TargetMode", kAny},
      {L, "TargetNames", kAny},
      {E, "DeleteOld", kAny},
      {E, "Param1", kAny},
      {E, "Param2", kAny},
      {E, "Source", 101},
      {E, "BlockEvents", 107}}},
    {"Calc", "計算", 1, {{E, "Statement", kAny}}},
    {"VarNew",
     "変数作成",
     4,
     {{S, "Name", kAny}, {B, "Type", kAny}, {E, "Initial", kAny}, {B, "Scope", kAny}}},
    {"VarDel", "変数削除", 1, {{S, "Name", kAny}}},
    {"GetProp",
     "プロパティ取得",
     3,
     {{E, "Object", kAny}, {E, "Property", kAny}, {S, "Var", kAny}}},
    {"SetProp",
     "プロパティ設定",
     3,
     {{E, "Object", kAny}, {E, "Property", kAny}, {E, "Value", kAny}}},
    {"ObjDel", "コンポーネント削除", 1, {{E, "Object", kAny}}},
    {"TextIns",
     "テキスト挿入",
     5,
     {{K, "TextBlock", kAny},
      {E, "Target", kAny},
      {E, "TrackRead", kAny},
      {E, "Wait", kAny},
      {E, "BlockEvents", 107}}},
    {"MovieStop",
     "メディア停止",
     4,
     {{E, "Object", kAny}, {E, "Time", kAny}, {E, "Wait", kAny}, {E, "BlockEvents", 107}}},
    {"ClrHist", "履歴クリア", 0, {}},
    {"Cinema", "シネマサーフェス作成", PROPS_ONLY},
    {"Caption", "キャプション作成", PROPS_ONLY},
    {"Menu", "メニュー作成", PROPS_ONLY},
    {"MenuClose", "メニュークローズ", 1, {{E, "Object", kAny}}},
    {"Comment", "コメント", 1, {{S, "Text", kAny}}},
    {"TextClr", "テキストクリア", 1, {{E, "Object", kAny}}},
    {"CallHist",
     "履歴呼出",
     5,
     {{E, "Target", kAny},
      {E, "Start", kAny},
      {E, "Count", kAny},
      {E, "InsertMode", kAny},
      {E, "Format", 111}}},
    {"Button", "ボタン作成", PROPS_ONLY},
    {"While", "ループ", 2, {{E, "Condition", kAny}, {I, "End", kAny}}},
    {"WhileInit", "ループ初期化", 1, {{E, "Statement", kAny}}},
    {"WhileLoop", "ループ再初期化", 2, {{E, "Statement", kAny}, {I, "Start", kAny}}},
    {"Break", "ループ脱出", 2, {{E, "Condition", kAny}, {I, "Target", kAny}}},
    {"Continue", "ループ先頭へ", 2, {{E, "Condition", kAny}, {I, "Target", kAny}}},
    {"ParticleNew", "パーティクルサーフェス作成", PROPS_ONLY},
    {"FireNew", "炎サーフェス作成", PROPS_ONLY},
    {"GameSave",
     "ゲームセーブ",
     4,
     {{E, "Slot", kAny}, {S, "LoadPage", kAny}, {I, "LoadTarget", 105}, {E, "Caption", kAny}}},
    {"GameLoad", "ゲームロード", 1, {{E, "Slot", kAny}}},
    {"PCReset", "PCリセット", 3, {{S, "Page", kAny}, {I, "Target", kAny}, {B, "AllFrames", kAny}}},
    {"Reset", "リセット", 3, {{S, "Page", kAny}, {I, "Target", kAny}, {B, "AllFrames", kAny}}},
    {"Sound", "サウンド再生", PROPS_ONLY},
    {"EditNew", "エディット作成", PROPS_ONLY},
    {"MemoNew", "メモ作成", PROPS_ONLY},
    {"Terminate", "終了", 0, {}},
    {"DoEvent", "DoEvent", 0, {}},
    {"ClrRead", "既読クリア", 0, {}},
    {"MapImgNew", "選択画像作成", PROPS_ONLY},
    {"WaveNew", "ウエーブサーフェス作成", PROPS_ONLY},
    {"TileNew", "タイルサーフェス作成", PROPS_ONLY},
    {"SliderNew", "スライダー作成", PROPS_ONLY},
    {"ScrollbarNew", "スクロールバー作成", PROPS_ONLY},
    {"GaugeNew", "ゲージ作成", PROPS_ONLY},
    {"CGCaption", "画像キャプション作成", PROPS_ONLY},
    {"MediaPlay", "メディア再生", 1, {{E, "Object", kAny}}},
    {"PrevMenuNew", "プレビューメニュー作成", PROPS_ONLY},
    {"PropMotion",
     "プロパティモーション",
     7,
     {{E, "Name", kAny},
      {E, "Target", kAny},
      {E, "Property", kAny},
      {E, "Value", kAny},
      {E, "Time", kAny},
      {E, "Easing", kAny},
      {E, "Paused", 108}}},
    {"FormatHist", "履歴書式登録", 2, {{E, "Object", kAny}, {E, "Format", 111}}},
    {"SaveCabinet",
     "キャビネット保存",
     3,
     {{P, "Properties", kAny}, {E, "Exclude", kAny}, {L, "Names", kAny}}},
    {"LoadCabinet",
     "キャビネット復帰",
     3,
     {{P, "Properties", kAny}, {E, "Exclude", kAny}, {L, "Names", kAny}}},
};

#undef PROPS_ONLY

}  // namespace

const char* PropertyName(int index) {
    return index >= 0 && index < kPropertyCount ? kPropertyNames[index] : nullptr;
}

int FindPropertyName(std::string_view name) {
    for (int i = 0; i < kPropertyCount; ++i)
        if (name == kPropertyNames[i]) return i;
    return -1;
}

const std::array<uint8_t, kPropertyCount>& PropertyApplyOrder() {
    static const std::array<uint8_t, kPropertyCount> order = [] {
        std::array<uint8_t, kPropertyCount> o{};
        size_t n = 0;
        auto name = [&](const char* pr) { o[n++] = uint8_t(FindPropertyName(pr)); };
        auto range = [&](int from, int to) {
            for (int i = from; i <= to; ++i) o[n++] = uint8_t(i);
        };
        for (const char* pr :
             {"PR_NAME",      "PR_PARENT",  "PR_SOURCE",      "PR_ZOOMX",       "PR_ZOOMY",
              "PR_POSZOOMED", "PR_WIDTH",   "PR_HEIGHT",      "PR_LEFT",        "PR_TOP",
              "PR_COLOR",     "PR_BARSIZE", "PR_BORDERWIDTH", "PR_BORDERCOLOR", "PR_ALPHA",
              "PR_PRIORITY",  "PR_OFFSETX", "PR_OFFSETY",     "PR_PLUSX",       "PR_PLUSY"})
            name(pr);
        range(15, 24);
        for (const char* pr : {"PR_FONTHOVERBORDER", "PR_FONTHOVERBORDERCOLOR",
                               "PR_FONTHOVERSHADOW", "PR_FONTHOVERSHADOWCOLOR"})
            name(pr);
        range(25, 29);
        name("PR_REPEATPOS");
        range(30, 79);
        name("PR_CARETHEIGHT");
        range(80, 99);
        range(101, 131);
        range(133, 152);
        name("PR_MUTEONLOAD");
        return o;
    }();
    return order;
}

const CommandInfo* GetCommandInfo(uint8_t code) {
    return code < kCommandTypeCount ? &kCommands[code] : nullptr;
}

const char* CommandName(uint8_t code) {
    const CommandInfo* info = GetCommandInfo(code);
    return info ? info->name : "?";
}

std::string CommandCaption(uint8_t code) {
    const CommandInfo* info = GetCommandInfo(code);
    return info ? Utf8ToCp932(info->captionUtf8) : std::string();
}

int FindCommandName(std::string_view name) {
    for (int i = 0; i < kCommandTypeCount; ++i)
        if (name == kCommands[i].name) return i;
    return -1;
}

bool IsComponentCode(uint8_t code) {
    const CommandInfo* info = GetCommandInfo(code);
    return info && info->fieldCount > 0 && info->fields[0].kind == FieldKind::Props;
}

}  // namespace vesk
