#include "ui/main/BaseFormCertainty.h"
#include "ui/main/BaseForm.h"

#include "document/CertaintyRun.h"
#include "document/DocumentSession.h"
#include "ui/windows/CertaintyPage.h"

namespace priomat {

void FollowCertaintyChoices(TBaseForm *mainWindow, CertaintyPage *page)
{
    QObject::connect(page, &CertaintyPage::judgementChosen, mainWindow, [mainWindow](const JudgementInfluence &judgement) {
        DocumentSession &session = mainWindow->session();
        // The page lists only results of the document as it is, so the node is there.
        if (RequirementNode *node = JudgementNode(session.document(), judgement))
            session.setCurrentNode(node);
    });
}

} // namespace priomat
