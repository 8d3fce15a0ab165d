// The block editor's undo history: whole-block snapshots taken after each command.
#include "cityedit/blockeditor.h"

#include <new>

#include "cityedit/block.h"

void BlockEditor::BeginUndoGroup() {
    ++m_UndoNesting;
}

void BlockEditor::EndUndoGroup() {
    if (--m_UndoNesting == 0) {
        PushUndo();
    }
}

void BlockEditor::PushUndo() {
    if (!m_Block) {
        return;
    }
    while (m_UndoCount > m_UndoPosition) {
        DestroySnapshot(--m_UndoCount);
    }
    if (m_UndoCount == UNDO_DEPTH) {
        DestroySnapshot(0);
        for (int i = 1; i < UNDO_DEPTH; ++i) {
            m_Snapshots[i - 1] = m_Snapshots[i];
        }
        m_Snapshots[UNDO_DEPTH - 1] = nullptr;
    } else {
        ++m_UndoCount;
    }
    m_UndoPosition = m_UndoCount;
    m_Snapshots[m_UndoCount - 1] = new (std::nothrow) CityBlock(*m_Block);
}

void BlockEditor::Undo() {
    StepHistory(-1);
}

void BlockEditor::Redo() {
    StepHistory(1);
}

// A slot whose copy could not be made is stepped over: the block only ever takes the contents
// of a snapshot that exists, and stays as it is when there is none in that direction.
void BlockEditor::StepHistory(int step) {
    for (int position = m_UndoPosition + step;
         m_Block && position >= 1 && position <= m_UndoCount; position += step) {
        if (m_Snapshots[position - 1]) {
            m_UndoPosition = position;
            *m_Block = *m_Snapshots[position - 1];
            return;
        }
    }
}

void BlockEditor::ClearUndo() {
    while (m_UndoCount > 0) {
        DestroySnapshot(--m_UndoCount);
    }
    m_UndoPosition = 0;
}

void BlockEditor::DestroySnapshot(int index) {
    delete m_Snapshots[index];
    m_Snapshots[index] = nullptr;
}
