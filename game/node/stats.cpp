// The statistics pages: registration, paging and the printing of the page shown.
#include "node/stats.h"

#include <cstdarg>
#include <cstdio>

#include "data/assert.h"
#include "gfx/pipeline.h"
#include "gfx/print.h"

ovStatsPage* ovStats::sm_Pages[maxPages];
int ovStats::m_Count = 0;
int ovStats::sm_Current = -1;
int ovStats::sm_SkipSetting = 0;
int ovStats::sm_LinesToSkip = 0;
int ovStats::sm_TextX = 20;
int ovStats::sm_TextY = 20;
ovStats::TextFunc ovStats::sm_Text = gfxPrint;

void ovStats::Register(ovStatsPage* page) {
    Assert(m_Count < maxPages);
    sm_Pages[m_Count++] = page;
}

// A page that goes away must leave no pointer behind for Draw to call, and must not shift
// another page into view.
bool ovStats::Unregister(ovStatsPage* page) {
    bool found = false;
    int kept = 0;
    int current = sm_Current;
    for (int i = 0; i < m_Count; ++i) {
        if (sm_Pages[i] != page) {
            sm_Pages[kept++] = sm_Pages[i];
            continue;
        }
        found = true;
        if (i == sm_Current) {
            current = -1;
        } else if (i < sm_Current && current >= 0) {
            --current;
        }
    }
    m_Count = kept;
    if (current != sm_Current) {
        sm_LinesToSkip = sm_SkipSetting = 0;
    }
    sm_Current = current;
    return found;
}

void ovStats::NextPage() {
    sm_LinesToSkip = sm_SkipSetting = 0;
    if (++sm_Current >= m_Count) {
        sm_Current = -1;
    }
}

void ovStats::PrevPage() {
    sm_LinesToSkip = sm_SkipSetting = 0;
    if (--sm_Current < -1) {
        sm_Current = m_Count - 1;
    }
}

// The setting lasts until the page changes; Draw counts a copy of it down each frame.
void ovStats::SetLinesToSkip(int lines) {
    sm_SkipSetting = lines > 0 ? lines : 0;
}

void ovStats::Draw() {
    sm_TextX = sm_TextY = 20;
    sm_LinesToSkip = sm_SkipSetting;
    if (sm_Current >= 0 && sm_Current < m_Count) {
        sm_Pages[sm_Current]->PrintStats();
    }
}

void ovStats::Print(const char* format, ...) {
    if (sm_LinesToSkip > 0) {
        --sm_LinesToSkip;
        return;
    }
    int height = int(gfxGetCharHeight());
    if (sm_TextY > gfxPipeline::m_iHeight - height) {
        return;
    }
    char line[256];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    sm_Text(sm_TextX, sm_TextY, line);
    sm_TextY += height;
}

ovStats::TextFunc ovStats::SetTextFunc(TextFunc text) {
    TextFunc old = sm_Text;
    sm_Text = text ? text : gfxPrint;
    return old;
}
