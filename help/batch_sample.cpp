#include "help/batch_sample.h"

#include <cstdlib>

namespace {

// The settings in words: the size block for percent, then the brightness,
// contrast and rotation lines, each line ended by a carriage return.
// TODO: take this and the two questions from the batch run's own composer
// once the batch run is in the program, so that these pictures can never
// differ from its boxes.
QString settingsText(const QString& horz, const QString& vert, int brightness, int contrast,
                     const QString& rotation) {
    const QString brightnessSign = brightness > 0   ? QStringLiteral("+")
                                   : brightness < 0 ? QStringLiteral("-")
                                                    : QStringLiteral(" ");
    const QString contrastSign = contrast > 0 ? QStringLiteral("+") : QStringLiteral(" ");
    return QStringLiteral("　　拡縮率\r　　　　横縮尺 ") + horz + QStringLiteral(" ％\r") +
           QStringLiteral("　　　　縦縮尺 ") + vert + QStringLiteral(" ％\r") +
           QStringLiteral("\r　　明るさ （ -10 ～ +10 ） ： ") + brightnessSign +
           QString::number(std::abs(brightness)) + QStringLiteral("\r") +
           QStringLiteral("\r　　コントラスト （ 0 ～ +20 ） ： ") + contrastSign + QString::number(contrast) +
           QStringLiteral("\r") + QStringLiteral("\r　　回転角度 ： ") + rotation + QStringLiteral("\r");
}

}  // namespace

BatchSample MakeBatchSample() {
    BatchSample sample;
    const QString settings = settingsText(QStringLiteral("50"), QStringLiteral("50"), 2, 0, QStringLiteral("0度"));
    sample.SettingsQuestion = QStringLiteral("以下の設定で「まとめて拡縮」を開始します\r\r") + settings +
                              QStringLiteral("\rよろしいですか？");
    sample.SettingsTitle = QStringLiteral("まとめて拡縮：拡縮設定確認");
    sample.OpenTitle = QStringLiteral("まとめて拡縮：拡縮元ファイルを選択して下さい（複数選択可）");
    sample.FileNames = {QStringLiteral("海辺.jpg"), QStringLiteral("山道.png"), QStringLiteral("夕焼け.bmp")};
    sample.SourceFolder = QStringLiteral("/home/user/写真/");
    sample.DestinationFolder = QStringLiteral("/home/user/写真/縮小/");
    const QString suffix = QStringLiteral("_ks"), extension = QStringLiteral(".jpg");
    sample.FinalQuestion = QStringLiteral("元画像フォルダ\r　［ ") + sample.SourceFolder + QStringLiteral(" ］\r") +
                           QStringLiteral("中の ") + QString::number(sample.FileNames.size()) +
                           QStringLiteral(" 画像ファイルを\r\r保存先\r　［ ") + sample.DestinationFolder +
                           QStringLiteral("***") + suffix + extension + QStringLiteral(" ］\rとして\r\r") + settings +
                           QStringLiteral("\rの拡縮設定条件で保存します");
    sample.FinalTitle = QStringLiteral("まとめて拡縮：最終確認");
    sample.ProgressCaption =
        QStringLiteral("まとめて拡縮：1/%1 ファイル処理中").arg(sample.FileNames.size());
    return sample;
}
