#pragma once

// A sample batch run as the manual's pictures of the batch run's windows
// show it: three photographs from a folder of pictures into a folder inside
// it, as JPEG with the suffix "_ks", at 50 % by 50 % with the brightness two
// steps up. The texts are composed by the rules of the batch run itself.

#include <QString>
#include <QStringList>

struct BatchSample {
    QString SettingsQuestion;  // the settings confirmation box
    QString SettingsTitle;
    QString OpenTitle;  // the multi-select open dialog
    QStringList FileNames;
    QString SourceFolder;
    QString DestinationFolder;
    QString FinalQuestion;  // the final confirmation box
    QString FinalTitle;
    QString ProgressCaption;  // the progress window while the first file is scaled
};

BatchSample MakeBatchSample();
