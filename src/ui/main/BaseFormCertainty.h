// The main window's part of the certainty page: a judgement chosen there shows its matrix.
#pragma once

namespace priomat {

class CertaintyPage;
class TBaseForm;

void FollowCertaintyChoices(TBaseForm *mainWindow, CertaintyPage *page);

} // namespace priomat
