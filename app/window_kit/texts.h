#pragma once

// The fixed texts of the main window: title parts, hints, captions and the
// messages it shows. Exactly as the program shows them.

#include <QString>

namespace texts {

inline const QString ApplicationTitle = QStringLiteral("Skalomi Ver.4.02");
inline const QString TitleSeparator = QStringLiteral(" ： ");
inline const QString ClipboardName = QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞ無題");
inline const QString KindSource = QStringLiteral("元画像");
inline const QString KindScaled = QStringLiteral("拡縮画像");

// Tool bar hints.
inline const QString HintOpen = QStringLiteral("元画像を開く(O)");
inline const QString HintShowSource = QStringLiteral("元画像を表示(<)");
inline const QString HintSaveSource = QStringLiteral("元画像を保存(S)");
inline const QString HintSaveScaled = QStringLiteral("拡縮画像を保存(S)");
inline const QString HintShowScaled = QStringLiteral("拡縮画像を表示(>)");
inline const QString HintAspectLock = QStringLiteral("縦横比固定 設定・解除(F)");
inline const QString HintHorz = QStringLiteral("横拡縮サイズ設定(H)");
inline const QString HintVert = QStringLiteral("縦拡縮サイズ設定(V)");
inline const QString HintUnit = QStringLiteral("拡縮単位切換(P)");
inline const QString HintCreate = QStringLiteral("拡縮画像作成([Enter])");
inline const QString HintBatch = QStringLiteral("まとめて拡縮(M)");
inline const QString HintTopmost = QStringLiteral("常時最前面に表示 設定・解除(Z)");
inline const QString HintHelp = QStringLiteral("ヘルプ表示([F1])");
inline const QString HintBrightness = QStringLiteral("拡縮画像の明るさを設定(B)");
inline const QString HintContrast = QStringLiteral("拡縮画像のコントラストを設定(C)");
inline const QString HintRotation = QStringLiteral("拡縮画像の回転角度設定(R)");

// Captions.
inline const QString CaptionAspectLock = QStringLiteral("縦横比固定     &F");
inline const QString CaptionTopmost = QStringLiteral("最前面     &Z");
inline const QString CaptionPercent = QStringLiteral("（％）  &P");
inline const QString CaptionPixel = QStringLiteral("(Pixel)  &P");
inline const QString LabelHorzPercent = QStringLiteral("横拡縮");
inline const QString LabelVertPercent = QStringLiteral("縦拡縮");
inline const QString LabelHorzPixel = QStringLiteral("横Size");
inline const QString LabelVertPixel = QStringLiteral("縦Size");
inline const QString CaptionBatchButton = QStringLiteral("&M");

// Menu items.
inline const QString MenuPaste = QStringLiteral("元画像に貼付");
inline const QString MenuCopySource = QStringLiteral("元画像をコピー");
inline const QString MenuCopyScaled = QStringLiteral("拡縮画像をコピー");

// Dialogs.
inline const QString OpenDialogTitle = QStringLiteral("元画像を開く");
inline const QString OpenDialogFilter = QStringLiteral(
    "対応画像ﾌｧｲﾙ (*.bmp *.jpg *.gif *.wmf *.emf *.png)|*.bmp;*.jpg;*.gif;*.wmf;*.emf;*.png|"
    "ﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ (*.bmp)|*.bmp|JPEGﾌｧｲﾙ (*.jpg)|*.jpg|GIFﾌｧｲﾙ (*.gif)|*.gif|"
    "Windowsﾒﾀﾌｧｲﾙ (*.wmf)|*.wmf|拡張Windowsﾒﾀﾌｧｲﾙ (*.emf)|*.emf|PNGﾌｧｲﾙ (*.png)|*.png");
inline const QString SaveDialogFilter =
    QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg|GIF (*.gif)|*.gif|PNG (*.png)|*.png");
inline const QString SaveSourceTitle = QStringLiteral("元画像を保存");
inline const QString SaveScaledTitle = QStringLiteral("拡縮画像を保存");

// Messages.
inline const QString FileOpenErrorText = QStringLiteral("処理出来ないファイルです");
inline const QString FileOpenErrorTitle = QStringLiteral("File Open Error");
inline const QString PasteErrorText = QStringLiteral("取り込めない形式です");
inline const QString PasteErrorTitle = QStringLiteral("Paste Error");
inline const QString BadScaleText = QStringLiteral("拡縮率が正しく設定されていません。");
inline const QString TooLargeText = QStringLiteral("画像が大きすぎます。");
inline const QString WarningTitle = QStringLiteral("警告");

}  // namespace texts
