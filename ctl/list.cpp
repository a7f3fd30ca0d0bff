// CtlList, a World whose members are laid out one under another, scrolled so
// the focused item stays visible, and kept to one selected item unless
// `multiple`; and CtlFileList, which fills itself with one item per file.
//
// Only list items count (CtlListItem and derived, visible, alpha non-zero);
// other members are skipped. Members and the scroll bar are looked up by id and
// class at every use.
#include "app/files.h"
#include "app/text.h"
#include "ctl/draw.h"
#include "obj/proptype.h"
#include "vfs/mem.h"

namespace {

constexpr int32_t kOpaque = 256;

void* memberAt(const World* w, int32_t i)
{
    if (i < 0 || i >= w->objs.count)
        return nullptr;
    return objGet(*static_cast<const ObjectId*>(vecAt(&w->objs, i)));
}

CtlListItem* itemAt(const CtlList* l, int32_t i)
{
    void* m = memberAt(l, i);
    if (!objIsA(m, &g_ctlListItemClass))
        return nullptr;
    CtlListItem* item = static_cast<CtlListItem*>(m);
    return item->visible && item->alpha != 0 ? item : nullptr;
}

CtlScrollbar* scrollBar(const CtlList* l)
{
    void* m = objGet(l->vScroll);
    return objIsA(m, &g_ctlScrollbarClass) ? static_cast<CtlScrollbar*>(m) : nullptr;
}

void setRenderFirst(CtlList* l, int32_t first)
{
    l->renderFirst = first;
    if (CtlScrollbar* bar = scrollBar(l))
        bar->current = first;
}

bool overlaps(const Rect& a, const Rect& b)
{
    const RECT ra = {a.x, a.y, a.w, a.h}, rb = {b.x, b.y, b.w, b.h};
    return rectIntersects(&ra, &rb);
}

char16_t* copyText(const char16_t* s, size_t n)
{
    auto* t = static_cast<char16_t*>(memAlloc(int32_t((n + 1) * sizeof(char16_t))));
    if (!t)
        return nullptr;
    for (size_t i = 0; i < n; i++)
        t[i] = s[i];
    t[n] = 0;
    return t;
}

// A new item for one found file, or null without memory.
CtlFileListItem* fileItem(const FindEntry& e, bool showExt)
{
    CtlFileListItem* item = static_cast<CtlFileListItem*>(objCreate(&g_ctlFileListItemClass));
    if (!item)
        return nullptr;
    size_t n = textLen(e.name);
    if (!showExt) {
        for (size_t i = n; i > 0; i--)
            if (e.name[i - 1] == u'.') {
                n = i - 1;
                break;
            }
    }
    item->text = n ? copyText(e.name, n) : nullptr;
    item->fullname = copyText(e.fullPath, textLen(e.fullPath));
    return item;
}

}

int CtlList_CalcBBox(void* obj, void* arg)
{
    CtlList* l = static_cast<CtlList*>(obj);
    const ViewRect* view = static_cast<const ViewRect*>(arg);
    if (const CtlScrollbar* bar = scrollBar(l))
        l->renderFirst = bar->current;
    const bool fixed = l->bbox.w && l->bbox.h;
    l->bbox.x = l->bbox.y = 0;
    l->renderLast = l->objs.count;
    int32_t y = l->distance, count = 0, widest = 0, heights = 0;
    for (int32_t i = 0; i < l->objs.count; i++) {
        CtlListItem* item = itemAt(l, i);
        if (!item || !calcObjBBox(item, view))
            continue;
        item->bbox.x += l->distance;
        item->bbox.y += y;
        if (i >= l->renderFirst)
            y += item->bbox.h + l->distance;
        if (!fixed) {
            count++;
            widest = item->bbox.w > widest ? item->bbox.w : widest;
            heights += item->bbox.h;
        } else if (i < l->renderFirst || i >= l->renderLast) {
            item->bbox.w = item->bbox.h = 0;  // out of view: cannot be hit
        } else if (!overlaps(item->bbox, l->bbox)) {
            l->renderLast = i;  // the first item that leaves the box ends the visible range
        }
    }
    if (!l->bbox.w)
        l->bbox.w = widest;
    if (!l->bbox.h)
        l->bbox.h = heights + (count >= 2 ? (count - 1) * l->distance : 0);
    return 0;
}

int CtlList_Render(void* obj, void* arg)
{
    CtlList* l = static_cast<CtlList*>(obj);
    SURFACE* dst = ctlTarget(arg);
    if (!dst)
        return 0;
    if (l->colBkg != COLOR_NONE)
        ctlFill(dst, l->bbox, l->colBkg);
    int32_t y = l->distance;
    const int32_t first = l->renderFirst > 0 ? l->renderFirst : 0;
    for (int32_t i = first; i < l->renderLast && i < l->objs.count; i++) {
        CtlListItem* item = itemAt(l, i);
        if (!item)
            continue;
        if (!item->cls->slots[M_RENDER])
            return 0;
        const int32_t x0 = item->x, y0 = item->y;
        const Rect box = item->bbox;
        item->bbox.x += l->x;
        item->bbox.y += l->y;
        item->x = l->x + l->distance;
        item->y = l->y + y;
        y += box.h + l->distance;
        const GfxState saved = gfxSaveState();
        if (item->alpha < kOpaque) {
            gfxSetBlendMode(BLEND_ALPHA);
            gfxSetAlpha(uint32_t(item->alpha));
        }
        int r;
        {
            CtlClip clip(l->bbox);
            // The list owns its items' text colour.
            item->col = item->infocus ? l->colFocus : item->state ? l->colSelected : l->colItem;
            r = objCallMethod(item, M_RENDER, arg);
        }
        gfxRestoreState(&saved);
        item->bbox = box;
        item->x = x0;
        item->y = y0;
        if (r != 0)
            return r;
    }
    return 0;
}

int CtlList_MoveKeyFocus(void* obj, void* arg)
{
    CtlList* l = static_cast<CtlList*>(obj);
    const InputEvent* ev = static_cast<const InputEvent*>(arg);
    if (!ev || (ev->key != KEY_UP && ev->key != KEY_DOWN))
        return 0;
    const int32_t before = l->focus;
    if (!World_MoveKeyFocus(obj, arg) || l->focus == before)
        return 0;
    const int32_t f = l->focus;
    if (f >= 0 && f < l->renderFirst)
        setRenderFirst(l, f);
    else if (f >= l->renderLast)
        setRenderFirst(l, f - l->renderLast + l->renderFirst + 1);
    return 1;
}

int CtlList_InKeyRelease(void* obj, void* arg)
{
    CtlList* l = static_cast<CtlList*>(obj);
    if (l->focus < 0 || !ctlIsActivation(static_cast<const InputEvent*>(arg)))
        return 0;
    if (l->multiple)
        return 1;
    // The previous selection goes first; the activated item then toggles itself on.
    void* old = memberAt(l, l->current);
    if (objIsA(old, &g_ctlListItemClass))
        static_cast<CtlListItem*>(old)->state = 0;
    l->current = l->focus;
    return 1;
}

int CtlList_InFocusOut(void* obj, void*)
{
    CtlList* l = static_cast<CtlList*>(obj);
    void* m = l->focus >= 0 ? memberAt(l, l->focus) : nullptr;
    if (objIsA(m, &g_ctlListItemClass))
        static_cast<CtlListItem*>(m)->infocus = 0;
    l->focus = -1;
    return 0;
}

int CtlList_GetSel(void* obj, void*)
{
    const CtlList* l = static_cast<const CtlList*>(obj);
    for (int32_t i = 0; i < l->objs.count; i++)
        if (const CtlListItem* item = itemAt(l, i); item && item->state)
            return i;
    return -1;
}

namespace {

bool isDotEntry(const char16_t* name)
{
    return name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
}

}

int CtlFileList_SetDir(void* obj, void* arg)
{
    CtlFileList* l = static_cast<CtlFileList*>(obj);
    const char16_t* pattern = static_cast<const char16_t*>(arg);
    if (!pattern)
        return 0;
    while (l->objs.count > 0) {
        void* m = memberAt(l, 0);
        if (!m || objCallMethod(l, M_KILLOBJ, m) != 0)
            vecRemoveAt(&l->objs, 0);
    }
    FindEntry e;
    int found = 0;
    for (bool more = findFirst(pattern, &e); more; more = findNext(&e)) {
        // The folder itself and its parent are no files to pick: nothing here
        // opens a folder, so neither gets an item.
        if (isDotEntry(e.name))
            continue;
        found++;
        CtlFileListItem* item = fileItem(e, l->showExt);
        if (item && objCallMethod(l, M_ADDOBJ, item) != 0)
            objDestroy(item);
    }
    findClose(&e);
    return found;
}
