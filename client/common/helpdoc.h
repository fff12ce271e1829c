// Opening the help document "TAVreadme.doc" beside the program with the
// desktop's application for it.
#pragma once
#include <QString>
#include <QUrl>
#include <functional>

namespace tav::client {

// How a file is handed to the desktop; tests replace it.
void setUrlOpener(std::function<bool(const QUrl&)> opener);
bool openUrl(const QUrl& url);

// Opens `folder`/TAVreadme.doc; a missing folder, a missing file or no
// application for it gives its message (critical icon). `noAppText` is the
// program's own wording of the last.
void openHelpDocument(const QString& folder, const QString& noAppText);

}  // namespace tav::client
