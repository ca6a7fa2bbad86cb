// The batch run's texts, piece by piece: the settings in words for each
// unit and lock, the signs of the tone steps, the rotation words, and the
// questions around them.

#include "output/batch_texts.h"

#include <gtest/gtest.h>

#include "scale/scale_settings.h"
#include "tests/app/window_fixture.h"
#include "tests/support/test_support.h"

namespace {

struct SettingsCase {
    const char* name;
    BatchSettings settings;
    QString expected;
};

BatchSettings settingsOf(bool percent, bool lock, const char* h, const char* v, int brightness,
                         int contrast, int rotation) {
    BatchSettings s;
    s.Percent = percent;
    s.AspectLock = lock;
    s.Horz = QString::fromUtf8(h);
    s.Vert = QString::fromUtf8(v);
    s.BrightnessStep = brightness;
    s.ContrastStep = contrast;
    s.Rotation = rotation;
    return s;
}

const QString kTone0 = QStringLiteral(
    "\r　　明るさ （ -10 ～ +10 ） ：  0\r\r　　コントラスト （ 0 ～ +20 ） ：  0\r");

class SettingsWords : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsWords, ComposedExactly) {
    EXPECT_EQ(BatchSettingsText(GetParam().settings), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Batch, SettingsWords,
    ::testing::Values(
        SettingsCase{"PercentWithBrightnessUp", settingsOf(true, true, "50", "50", 2, 0, kRotate0),
                     QStringLiteral("　　拡縮率\r　　　　横縮尺 50 ％\r　　　　縦縮尺 50 ％\r"
                                    "\r　　明るさ （ -10 ～ +10 ） ： +2\r"
                                    "\r　　コントラスト （ 0 ～ +20 ） ：  0\r"
                                    "\r　　回転角度 ： 0度\r")},
        // The lock does not change the percent block.
        SettingsCase{"PercentUnlockedTextsAsTheyStand",
                     settingsOf(true, false, "", "0012", 0, 0, kRotate0),
                     QStringLiteral("　　拡縮率\r　　　　横縮尺  ％\r　　　　縦縮尺 0012 ％\r") +
                         kTone0 + QStringLiteral("\r　　回転角度 ： 0度\r")},
        SettingsCase{"PixelsLockedDarkerRight",
                     settingsOf(false, true, "640", "480", -10, 20, kRotateRight),
                     QStringLiteral("　　拡縮後の設定サイズ\r　　　　元画像と縦横比が同じで\r"
                                    "　　　　　　横 640 Pixel\r　　　　　　縦 480 Pixel\r"
                                    "　　　　を越えない最大サイズ\r"
                                    "\r　　明るさ （ -10 ～ +10 ） ： -10\r"
                                    "\r　　コントラスト （ 0 ～ +20 ） ： +20\r"
                                    "\r　　回転角度 ： 右90度\r")},
        SettingsCase{
            "PixelsUnlocked180", settingsOf(false, false, "100", "75", 0, 1, kRotate180),
            QStringLiteral("　　拡縮後の設定サイズ\r　　　　横 100 Pixel\r　　　　縦 75 Pixel\r"
                           "\r　　明るさ （ -10 ～ +10 ） ：  0\r"
                           "\r　　コントラスト （ 0 ～ +20 ） ： +1\r"
                           "\r　　回転角度 ： 180度\r")},
        SettingsCase{"Left90", settingsOf(true, true, "100", "100", 0, 0, kRotateLeft),
                     QStringLiteral("　　拡縮率\r　　　　横縮尺 100 ％\r　　　　縦縮尺 100 ％\r") +
                         kTone0 + QStringLiteral("\r　　回転角度 ： 左90度\r")}),
    NameOfParam());

TEST(BatchTexts, StartQuestionWrapsTheSettings) {
    EXPECT_EQ(BatchStartQuestion(QStringLiteral("S\r")),
              QStringLiteral("以下の設定で「まとめて拡縮」を開始します\r\rS\r\rよろしいですか？"));
}

TEST(BatchTexts, FinalQuestionPiecesInOrder) {
    EXPECT_EQ(
        BatchFinalQuestion(QStringLiteral("/pics/"), 12, QStringLiteral("/out/"),
                           QStringLiteral("_ks"), QStringLiteral(".png"), QStringLiteral("S\r")),
        QStringLiteral("元画像フォルダ\r　［ /pics/ ］\r中の 12 画像ファイルを\r\r保存先\r"
                       "　［ /out/***_ks.png ］\rとして\r\rS\r\rの拡縮設定条件で保存します"));
}

TEST(BatchTexts, OverwriteQuestionWithItsContinuationLine) {
    EXPECT_EQ(BatchOverwriteQuestion(QStringLiteral("/out/a_ks.jpg")),
              QStringLiteral("保存ファイルと同名のファイルが既に存在します\r　/out/a_ks.jpg\r"
                             "上書きしてもよろしいですか？\r\r"
                             "[はい]  ：以降の同名ファイルを全て上書きします\r"
                             "[いいえ]：このファイルの上書を中止しますが、\r"
                             " \u3000\u3000\u3000 \u3000「まとめて拡縮」処理は継続します\r"
                             "[ｷｬﾝｾﾙ] ：「まとめて拡縮」処理を中止します"));
}

TEST(BatchTexts, CaptionsAndExtensions) {
    EXPECT_EQ(BatchProgressCaption(1, 1), QStringLiteral("まとめて拡縮：1/1 ファイル処理中"));
    EXPECT_EQ(BatchProgressCaption(10, 123), QStringLiteral("まとめて拡縮：10/123 ファイル処理中"));
    const QStringList extensions{BatchTypeExtension(0), BatchTypeExtension(1),
                                 BatchTypeExtension(2), BatchTypeExtension(3)};
    EXPECT_EQ(extensions, QStringList({".bmp", ".jpg", ".gif", ".png"}));
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/a")), QStringLiteral("/a/"));
    EXPECT_EQ(WithTrailingSlash(QStringLiteral("/")), QStringLiteral("/"));
}

}  // namespace
