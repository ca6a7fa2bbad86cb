#include "output/batch_texts.h"

#include <cstdlib>

#include "scale/scale_settings.h"

namespace {

// The sign the settings text puts before a step: a plain space for none.
QString signedStep(int step) {
    const QString sign = step > 0   ? QStringLiteral("+")
                         : step < 0 ? QStringLiteral("-")
                                    : QStringLiteral(" ");
    return sign + QString::number(std::abs(step));
}

QString rotationWord(int rotation) {
    switch (rotation) {
        case kRotateRight:
            return QStringLiteral("右90度");
        case kRotate180:
            return QStringLiteral("180度");
        case kRotateLeft:
            return QStringLiteral("左90度");
        default:
            return QStringLiteral("0度");
    }
}

}  // namespace

QString BatchSettingsText(const BatchSettings& s) {
    QString text;
    if (s.Percent) {
        text += QStringLiteral("　　拡縮率\r　　　　横縮尺 ") + s.Horz + QStringLiteral(" ％") +
                QStringLiteral("\r") + QStringLiteral("　　　　縦縮尺 ") + s.Vert +
                QStringLiteral(" ％") + QStringLiteral("\r");
    } else if (s.AspectLock) {
        text += QStringLiteral(
                    "　　拡縮後の設定サイズ\r　　　　元画像と縦横比が同じで\r　　　　　　横 ") +
                s.Horz + QStringLiteral(" Pixel") + QStringLiteral("\r") +
                QStringLiteral("　　　　　　縦 ") + s.Vert + QStringLiteral(" Pixel") +
                QStringLiteral("\r") + QStringLiteral("　　　　を越えない最大サイズ") +
                QStringLiteral("\r");
    } else {
        text += QStringLiteral("　　拡縮後の設定サイズ\r　　　　横 ") + s.Horz +
                QStringLiteral(" Pixel") + QStringLiteral("\r") + QStringLiteral("　　　　縦 ") +
                s.Vert + QStringLiteral(" Pixel") + QStringLiteral("\r");
    }
    text += QStringLiteral("\r") + QStringLiteral("　　明るさ （ -10 ～ +10 ） ： ") +
            signedStep(s.BrightnessStep) + QStringLiteral("\r");
    // The contrast step is never below 0; its sign place is "+" or a space.
    text += QStringLiteral("\r") + QStringLiteral("　　コントラスト （ 0 ～ +20 ） ： ") +
            (s.ContrastStep > 0 ? QStringLiteral("+") : QStringLiteral(" ")) +
            QString::number(s.ContrastStep) + QStringLiteral("\r");
    text += QStringLiteral("\r") + QStringLiteral("　　回転角度 ： ") + rotationWord(s.Rotation) +
            QStringLiteral("\r");
    return text;
}

QString BatchStartQuestion(const QString& settingsText) {
    return QStringLiteral("以下の設定で「まとめて拡縮」を開始します\r\r") + settingsText +
           QStringLiteral("\r") + QStringLiteral("よろしいですか？");
}

QString BatchFinalQuestion(const QString& sourceFolder, int count, const QString& destinationFolder,
                           const QString& suffix, const QString& extension,
                           const QString& settingsText) {
    return QStringLiteral("元画像フォルダ\r　［ ") + sourceFolder + QStringLiteral(" ］") +
           QStringLiteral("\r") + QStringLiteral("中の ") + QString::number(count) +
           QStringLiteral(" 画像ファイルを") + QStringLiteral("\r") + QStringLiteral("\r") +
           QStringLiteral("保存先") + QStringLiteral("\r") + QStringLiteral("　［ ") +
           destinationFolder + QStringLiteral("***") + suffix + extension + QStringLiteral(" ］") +
           QStringLiteral("\r") + QStringLiteral("として") + QStringLiteral("\r") +
           QStringLiteral("\r") + settingsText + QStringLiteral("\r") +
           QStringLiteral("の拡縮設定条件で保存します");
}

QString BatchOverwriteQuestion(const QString& outputName) {
    return QStringLiteral("保存ファイルと同名のファイルが既に存在します\r　") + outputName +
           QStringLiteral("\r") + QStringLiteral("上書きしてもよろしいですか？") +
           QStringLiteral("\r") + QStringLiteral("\r") +
           QStringLiteral("[はい]  ：以降の同名ファイルを全て上書きします") + QStringLiteral("\r") +
           QStringLiteral("[いいえ]：このファイルの上書を中止しますが、") + QStringLiteral("\r") +
           QStringLiteral(" 　　　 　「まとめて拡縮」処理は継続します") + QStringLiteral("\r") +
           QStringLiteral("[ｷｬﾝｾﾙ] ：「まとめて拡縮」処理を中止します");
}

QString BatchProgressCaption(int number, int count) {
    return QStringLiteral("まとめて拡縮：") + QString::number(number) + QStringLiteral("/") +
           QString::number(count) + QStringLiteral(" ファイル処理中");
}

QString BatchTypeExtension(int typeIndex) {
    switch (typeIndex) {
        case 0:
            return QStringLiteral(".bmp");
        case 2:
            return QStringLiteral(".gif");
        case 3:
            return QStringLiteral(".png");
        default:
            return QStringLiteral(".jpg");
    }
}

QString WithTrailingSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
