// Undo: what one operation changed, put back from its restore record. Each item is first
// compared with the state the operation left it in: one changed since is left alone and
// passed over (nothing another administrator did is overwritten). The undo keeps a record of
// its own through the run's journal, so it can be undone in turn.
#pragma once

#include "journal/restore_record.h"
#include "shared/outcome.h"
#include "shared/shared.h"

namespace journal {

// With `whatIf`, reads the farm and says what the undo would change, changing nothing.
[[nodiscard]] shared::Outcome Undo(shared::Shared& shared, const RestoreRecord& record,
                                   bool whatIf);

// What the window says when an undo ended without a failure: what was put back, what was
// left alone (changed since) and the folders that stay.
shared::OutcomeMessage UndoMessage(const RestoreRecord& record, const shared::Outcome& outcome);

}  // namespace journal
