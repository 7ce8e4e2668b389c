// The main window's questions and messages about the open document: errors, overwriting a file
// the document does not hold in full, the recovery of names, unsaved changes, a change on disk
// and the recovery copies an ended run left. Each asks and gives the answer; the main window acts.
#pragma once

#include "document/DocumentSession.h"

class QWidget;

namespace priomat {

struct RecoveryCopy;

class DocumentPrompts : public SessionHost
{
public:
    explicit DocumentPrompts(QWidget *owner) : owner_(owner) {}

    OverwriteChoice confirmOverwrite(OverwriteReason reason, const QString &path) override;
    bool askRecovery() override;
    void showError(const QString &message) override;
    void showNotADataFile(const QString &message) override;

    // Save the modified document first? The platform's IDYES, IDNO or IDCANCEL.
    int askSaveModified(const QString &fileName);
    // The file changed on disk: reload it?
    bool askReload(const QString &fileName, bool modified);
    enum class RecoveryAnswer { Open, Keep, Discard };
    RecoveryAnswer askOpenRecoveryCopy(const RecoveryCopy &copy);

private:
    QWidget *owner_;
};

} // namespace priomat
