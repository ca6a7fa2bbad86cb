#pragma once

// The texts of a batch run: the settings in words, the two confirmations,
// the overwrite question and the progress window's caption. "\r" alone
// breaks the lines, as in every message of the program.

#include <QString>

// The settings as the controls hold them when the run starts.
struct BatchSettings {
    bool Percent = true;     // the unit button reads percent
    bool AspectLock = true;  // the aspect lock box
    QString Horz;            // the size fields' texts as they stand
    QString Vert;
    int BrightnessStep = 0;  // -10..10
    int ContrastStep = 0;    // 0..20
    int Rotation = 8;        // glyph index 8..11
};

namespace batch_texts {

inline const QString SettingsTitle = QStringLiteral("まとめて拡縮：拡縮設定確認");
inline const QString OpenTitle =
    QStringLiteral("まとめて拡縮：拡縮元ファイルを選択して下さい（複数選択可）");
inline const QString FinalTitle = QStringLiteral("まとめて拡縮：最終確認");
inline const QString OverwriteTitle = QStringLiteral("まとめて拡縮：上書確認");
inline const QString IdleCaption = QStringLiteral("処理中");

}  // namespace batch_texts

// The settings in words: the size block, brightness, contrast, rotation.
QString BatchSettingsText(const BatchSettings& settings);

// The first question, around the settings text.
QString BatchStartQuestion(const QString& settingsText);

// The last question before the run. `sourceFolder` and `destinationFolder`
// end in "/".
QString BatchFinalQuestion(const QString& sourceFolder, int count, const QString& destinationFolder,
                           const QString& suffix, const QString& extension,
                           const QString& settingsText);

// Asked when an output exists; `outputName` is its full path.
QString BatchOverwriteQuestion(const QString& outputName);

// The progress window's caption while file `number` (from 1) of `count` runs.
QString BatchProgressCaption(int number, int count);

// ".bmp", ".jpg", ".gif" or ".png" for the type list's positions 0 to 3.
QString BatchTypeExtension(int typeIndex);

// `folder` with "/" at its end.
QString WithTrailingSlash(const QString& folder);
