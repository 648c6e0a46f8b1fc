#pragma once
// Links the effect host's painter-effects dialog to the editor: the working copy it loads, the
// step its OK commits, and the editor's steps held back while its automatic face is open.
class TBildbeaerbeitungForm;

namespace editor {

// Safe to call before every showing of the dialog.
void LinkPainterEffects(TBildbeaerbeitungForm* form);

}  // namespace editor
