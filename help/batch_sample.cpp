#include "help/batch_sample.h"

#include "output/batch_texts.h"
#include "scale/scale_settings.h"

BatchSample MakeBatchSample() {
    BatchSample sample;
    // Composed by the batch run's own rules, so these pictures show its boxes.
    BatchSettings settings;
    settings.Horz = QStringLiteral("50");
    settings.Vert = QStringLiteral("50");
    settings.BrightnessStep = 2;
    settings.Rotation = kRotate0;
    const QString settingsText = BatchSettingsText(settings);
    sample.SettingsQuestion = BatchStartQuestion(settingsText);
    sample.SettingsTitle = batch_texts::SettingsTitle;
    sample.OpenTitle = batch_texts::OpenTitle;
    sample.FileNames = {QStringLiteral("海辺.jpg"), QStringLiteral("山道.png"),
                        QStringLiteral("夕焼け.bmp")};
    sample.SourceFolder = QStringLiteral("/home/user/写真/");
    sample.DestinationFolder = QStringLiteral("/home/user/写真/縮小/");
    sample.FinalQuestion = BatchFinalQuestion(
        sample.SourceFolder, static_cast<int>(sample.FileNames.size()), sample.DestinationFolder,
        QStringLiteral("_ks"), BatchTypeExtension(1), settingsText);
    sample.FinalTitle = batch_texts::FinalTitle;
    sample.ProgressCaption = BatchProgressCaption(1, static_cast<int>(sample.FileNames.size()));
    return sample;
}
