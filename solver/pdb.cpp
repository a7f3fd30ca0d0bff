// Optimal solving of 4 x 4 grids: IDA* over additive pattern databases.
//
// The board is seen through its grid layout with the hole's home in cell 15, so
// tile c belongs in cell c. The tiles are split into three groups, the two 2 x 3
// blocks {0,1,4,5,8,9} and {2,3,6,7,10,11} and the bottom row {12,13,14}; a
// group's database holds, for every placement of its tiles, the fewest moves of
// those tiles alone that bring them home, wherever the other tiles stand. Moves
// of different groups never overlap, so the three values add up to a lower
// bound. The same tables read the position mirrored about the main diagonal
// (which keeps the goal) give a second bound; the search uses the larger.
//
// A database is built by breadth-first search over (group placement, hole area):
// the hole moves through the other tiles at no cost, so every cell it can reach
// without crossing a group tile is one state, named by its lowest cell.
#include <stdio.h>
#include <string.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <string>

#include "solver/internal.h"

namespace {

constexpr int kCells = 16;
constexpr int kGroups = 3;
constexpr int kGroupSize[kGroups] = {6, 6, 3};
constexpr uint8_t kGroupTiles[kGroups][6] = {{0, 1, 4, 5, 8, 9}, {2, 3, 6, 7, 10, 11}, {12, 13, 14}};
constexpr char kCacheName[] = "tobex-solver-663.pdb";
constexpr char kCacheMagic[8] = {'T', 'B', 'X', 'P', 'D', 'B', '1', 0};

struct Grid {
    uint8_t nbr[kCells][4];
    uint8_t deg[kCells];
    uint8_t mirror[kCells];   // cell (r, c) -> cell (c, r)
    uint8_t groupOf[kCells];  // tile -> group
    uint8_t slotOf[kCells];   // tile -> index within its group
};

constexpr Grid makeGrid()
{
    Grid g{};
    for (int c = 0; c < kCells; c++) {
        int r = c / 4, col = c % 4, k = 0;
        if (r > 0)
            g.nbr[c][k++] = uint8_t(c - 4);
        if (col > 0)
            g.nbr[c][k++] = uint8_t(c - 1);
        if (col < 3)
            g.nbr[c][k++] = uint8_t(c + 1);
        if (r < 3)
            g.nbr[c][k++] = uint8_t(c + 4);
        g.deg[c] = uint8_t(k);
        g.mirror[c] = uint8_t(col * 4 + r);
    }
    for (int p = 0; p < kGroups; p++)
        for (int i = 0; i < kGroupSize[p]; i++) {
            g.groupOf[kGroupTiles[p][i]] = uint8_t(p);
            g.slotOf[kGroupTiles[p][i]] = uint8_t(i);
        }
    return g;
}

constexpr Grid kGrid = makeGrid();

uint32_t tableSize(int k)
{
    uint32_t size = 1;
    for (int i = 0; i < k; i++)
        size *= uint32_t(kCells - i);
    return size;
}

// Rank of k distinct cells as a k-permutation of 16.
inline uint32_t rankCells(const uint8_t* cells, int k)
{
    uint32_t used = 0, rank = 0;
    for (int i = 0; i < k; i++) {
        uint32_t c = cells[i];
        rank = rank * uint32_t(kCells - i) + c - uint32_t(std::popcount(used & ((1u << c) - 1)));
        used |= 1u << c;
    }
    return rank;
}

struct Databases {
    std::mutex lock;
    bool ready = false;
    std::string folder;
    // Readable without the lock, which a build holds for seconds.
    std::atomic<bool> atHand{false};  // ready, or the cache file is there to read
    std::mutex folderLock;
    std::string folderCopy;
    std::string shipped;  // a read-only folder whose file is read when the folder has none (under folderLock)
    std::vector<uint8_t> table[kGroups];  // indexed by placement rank, as in the cache file
    uint8_t* wide6 = nullptr;             // the left block's table indexed by cells, 4 bits each
    uint8_t* wide3 = nullptr;             // the bottom row's, likewise
};

Databases& dbs()
{
    static Databases d;
    return d;
}

// The cells the hole can reach from `from` without passing a group tile.
inline uint32_t reach(uint32_t open, uint32_t from)
{
    constexpr uint32_t kNotLeft = 0xEEEE, kNotRight = 0x7777;
    uint32_t area = from;
    for (;;) {
        uint32_t grown =
            (area | ((area << 1) & kNotLeft) | ((area >> 1) & kNotRight) | (area << 4) | (area >> 4)) & open;
        if (grown == area)
            return area;
        area = grown;
    }
}

bool cancelled(const int32_t* cancel)
{
    return cancel && __atomic_load_n(cancel, __ATOMIC_RELAXED);
}

// Empty when cancel was raised before the table was whole.
std::vector<uint8_t> buildGroup(int p, const int32_t* cancel)
{
    int k = kGroupSize[p];
    uint32_t size = tableSize(k);
    std::vector<uint8_t> out(size, 0xFF);
    // Per placement, the hole areas already visited, each named by its lowest cell.
    std::vector<uint16_t> seen(size, 0);
    uint8_t cells[6];
    uint32_t start = 0, occupied = 0;
    for (int i = 0; i < k; i++) {
        cells[i] = kGroupTiles[p][i];
        start |= uint32_t(cells[i]) << (4 * i);
        occupied |= 1u << cells[i];
    }
    uint32_t area = reach(~occupied & 0xFFFF, 1u << 15);
    uint32_t first = uint32_t(__builtin_ctz(area));
    seen[rankCells(cells, k)] = uint16_t(1u << first);
    // A state packs the group's cells in 4-bit fields and the hole area's name above them.
    std::vector<uint32_t> layer{start | first << (4 * k)}, next;
    uint32_t polled = 0;
    for (uint8_t d = 0; !layer.empty(); d++) {
        for (uint32_t s : layer) {
            if ((++polled & 0xFFFF) == 0 && cancelled(cancel))
                return {};
            occupied = 0;
            for (int j = 0; j < k; j++) {
                cells[j] = uint8_t((s >> (4 * j)) & 15);
                occupied |= 1u << cells[j];
            }
            uint32_t open = ~occupied & 0xFFFF;
            area = reach(open, 1u << ((s >> (4 * k)) & 15));
            uint32_t rank = rankCells(cells, k);
            if (out[rank] == 0xFF)
                out[rank] = d;
            for (int j = 0; j < k; j++) {
                int from = cells[j];
                for (int e = 0; e < kGrid.deg[from]; e++) {
                    int to = kGrid.nbr[from][e];
                    if (!(area & (1u << to)))
                        continue;
                    cells[j] = uint8_t(to);
                    uint32_t moved = reach(open ^ (1u << to) ^ (1u << from), 1u << from);
                    uint32_t name = uint32_t(__builtin_ctz(moved));
                    uint32_t r = rankCells(cells, k);
                    if (!(seen[r] & (1u << name))) {
                        seen[r] |= uint16_t(1u << name);
                        next.push_back((s & ~(15u << (4 * j)) & ~(15u << (4 * k))) | uint32_t(to) << (4 * j) |
                                       name << (4 * k));
                    }
                    cells[j] = uint8_t(from);
                }
            }
        }
        layer.swap(next);
        next.clear();
    }
    return out;
}

// The right block {2,3,6,7,10,11} is the left block {0,1,4,5,8,9} mirrored left to
// right (tile 2 is tile 1's mirror, 3 is 0's, and so on), so its table is read off
// the left block's: every placement, in rank order, looks up its mirror image.
std::vector<uint8_t> mirrorLeftBlock(const std::vector<uint8_t>& left)
{
    constexpr int kMirrorSlot[6] = {1, 0, 3, 2, 5, 4};  // left-block slot of each right-block slot's mirror
    std::vector<uint8_t> out(tableSize(6));
    uint8_t cells[6], mirrored[6];
    uint32_t rank = 0;
    auto visit = [&](auto& self, int depth, uint32_t used) -> void {
        if (depth == 6) {
            for (int i = 0; i < 6; i++)
                mirrored[kMirrorSlot[i]] = uint8_t((cells[i] & ~3) | (3 - (cells[i] & 3)));
            out[rank++] = left[rankCells(mirrored, 6)];
            return;
        }
        for (int c = 0; c < kCells; c++)
            if (!(used & (1u << c))) {
                cells[depth] = uint8_t(c);
                self(self, depth + 1, used | 1u << c);
            }
    };
    visit(visit, 0, 0);
    return out;
}

uint32_t checksum(const Databases& d)
{
    uint32_t h = 2166136261u;
    for (const auto& t : d.table)
        for (uint8_t v : t)
            h = (h ^ v) * 16777619u;
    return h;
}

std::string cachePath(const Databases& d)
{
    return d.folder.empty() ? std::string() : d.folder + "/" + kCacheName;
}

std::string shippedPath(Databases& d)
{
    std::lock_guard<std::mutex> copy(d.folderLock);
    return d.shipped.empty() ? std::string() : d.shipped + "/" + kCacheName;
}

bool loadCacheFrom(Databases& d, const std::string& path)
{
    FILE* f = path.empty() ? nullptr : fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char magic[8];
    bool ok = fread(magic, 1, 8, f) == 8 && !memcmp(magic, kCacheMagic, 8);
    for (int p = 0; p < kGroups && ok; p++) {
        d.table[p].resize(tableSize(kGroupSize[p]));
        ok = fread(d.table[p].data(), 1, d.table[p].size(), f) == d.table[p].size();
    }
    uint32_t sum = 0;
    ok = ok && fread(&sum, 4, 1, f) == 1 && sum == checksum(d) && fgetc(f) == EOF;
    fclose(f);
    return ok;
}

// The user's own file first, then the one shipped beside the program.
bool loadCache(Databases& d)
{
    return loadCacheFrom(d, cachePath(d)) || loadCacheFrom(d, shippedPath(d));
}

// Written to a temporary name and renamed, so a reader never sees half a file.
void saveCache(const Databases& d)
{
    std::string path = cachePath(d);
    if (path.empty())
        return;
    std::string tmp = path + ".tmp" + std::to_string(solverNowNs());
    FILE* f = fopen(tmp.c_str(), "wb");
    if (!f)
        return;
    bool ok = fwrite(kCacheMagic, 1, 8, f) == 8;
    for (const auto& t : d.table)
        ok = ok && fwrite(t.data(), 1, t.size(), f) == t.size();
    uint32_t sum = checksum(d);
    ok = ok && fwrite(&sum, 4, 1, f) == 1;
    ok = fclose(f) == 0 && ok;
    if (!ok || rename(tmp.c_str(), path.c_str()) != 0)
        remove(tmp.c_str());
}

// The search reads the tables at random, one look-up per node, and ranking a
// placement costs more than the look-up. So the search reads copies indexed by
// the cells themselves, 4 bits per tile (16^6 entries for a block): a slide
// then changes one 4-bit field of the index. The copies take 16 MB, in 2 MB
// aligned memory that the kernel may back with huge pages (with 4 KB pages
// nearly every look-up would also miss the address cache). Kept for the life
// of the process.
uint8_t* widen(const std::vector<uint8_t>& byRank, int k)
{
    constexpr size_t kHuge = size_t(1) << 21;
    const size_t entries = size_t(1) << (4 * k);
    size_t size = (entries + kHuge - 1) / kHuge * kHuge;
    auto* out = static_cast<uint8_t*>(aligned_alloc(kHuge, size));
    if (!out)
        return nullptr;
    madvise(out, size, MADV_HUGEPAGE);
    memset(out, 0, size);
    // Placements in rank order are the lexicographic order of their cells.
    uint32_t rank = 0;
    auto visit = [&](auto& self, int depth, uint32_t used, uint32_t index) -> void {
        if (depth == k) {
            out[index] = byRank[rank++];
            return;
        }
        for (uint32_t c = 0; c < kCells; c++)
            if (!(used & (1u << c)))
                self(self, depth + 1, used | 1u << c, index | c << (4 * depth));
    };
    visit(visit, 0, 0, 0);
    return out;
}

bool prepareLocked(Databases& d, const int32_t* cancel)
{
    if (d.ready)
        return true;
    int64_t start = solverNowNs();
    // Processes sharing the cache folder (tests run side by side) build in turn:
    // the first builds and writes, the others wait and then read its file.
    std::string lockPath = cachePath(d) + ".lock";
    int lock = d.folder.empty() ? -1 : open(lockPath.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock >= 0)
        flock(lock, LOCK_EX);
    bool cached = loadCache(d);
    if (!cached) {
        d.table[0] = buildGroup(0, cancel);
        d.table[2] = d.table[0].empty() ? std::vector<uint8_t>() : buildGroup(2, cancel);
        if (d.table[2].empty()) {
            for (auto& t : d.table)
                std::vector<uint8_t>().swap(t);
            if (lock >= 0)
                close(lock);
            return false;
        }
        d.table[1] = mirrorLeftBlock(d.table[0]);
        saveCache(d);
    }
    if (lock >= 0)
        close(lock);
    int64_t bytes = 0;
    for (int p = 0; p < kGroups; p++)
        bytes += int64_t(d.table[p].size());
    d.wide6 = widen(d.table[0], 6);
    d.wide3 = widen(d.table[2], 3);
    if (!d.wide6 || !d.wide3) {
        free(d.wide6);
        free(d.wide3);
        d.wide6 = d.wide3 = nullptr;
        return false;
    }
    // The search reads only the wide copies.
    for (auto& t : d.table)
        std::vector<uint8_t>().swap(t);
    d.ready = true;
    d.atHand = true;
    statsSetPatterns(bytes, int32_t((solverNowNs() - start) / 1000000), cached);
    return true;
}

// What one tile adds to the look-up indexes, per cell it may stand in: the
// straight one (its own group) and the mirrored one (the group of its mirror
// image). The right block is read from the left block's table through the
// left-right mirror (tile 2 is tile 1's image, 3 is 0's, and so on), so every
// block look-up goes to one table.
struct TileKeys {
    uint8_t group[kCells], mirrorGroup[kCells];
    uint32_t key[kCells][kCells], mirrorKey[kCells][kCells];
};

constexpr int flipLR(int c)
{
    return (c & ~3) | (3 - (c & 3));
}

constexpr TileKeys makeKeys()
{
    TileKeys k{};
    for (int t = 0; t < 15; t++) {
        for (int mirrored = 0; mirrored < 2; mirrored++) {
            int u = mirrored ? kGrid.mirror[t] : t;  // the tile whose group counts
            int g = kGrid.groupOf[u];
            int slot = g == 1 ? kGrid.slotOf[flipLR(u)] : kGrid.slotOf[u];
            (mirrored ? k.mirrorGroup : k.group)[t] = uint8_t(g);
            for (int c = 0; c < kCells; c++) {
                int cell = mirrored ? kGrid.mirror[c] : c;
                if (g == 1)
                    cell = flipLR(cell);
                (mirrored ? k.mirrorKey : k.key)[t][c] = uint32_t(cell) << (4 * slot);
            }
        }
    }
    return k;
}

constexpr TileKeys kKeys = makeKeys();

// One IDA* search over the canonical grid.
struct Search {
    const uint8_t* table[kGroups];  // wide6, wide6, wide3
    uint8_t tileAt[kCells];         // tile in each cell, 15 = hole
    int hole;
    uint32_t index[kGroups], mirrorIndex[kGroups];  // look-up indexes of each group
    int part[kGroups];                              // database value of each group, straight
    int mirrored[kGroups];                          // and read through the mirror
    int partSum, mirroredSum;
    int h;  // the larger sum: the heuristic of the current position
    int bound;
    int nextBound;
    int length;  // moves of the solution found
    uint8_t path[256];
    SolverBudget* budget;
    int64_t nodes;

    void evaluate()
    {
        for (int p = 0; p < kGroups; p++)
            index[p] = mirrorIndex[p] = 0;
        for (int c = 0; c < kCells; c++) {
            int t = tileAt[c];
            if (t == 15)
                continue;
            index[kKeys.group[t]] |= kKeys.key[t][c];
            mirrorIndex[kKeys.mirrorGroup[t]] |= kKeys.mirrorKey[t][c];
        }
        partSum = mirroredSum = 0;
        for (int p = 0; p < kGroups; p++) {
            part[p] = table[p][index[p]];
            mirrored[p] = table[p][mirrorIndex[p]];
            partSum += part[p];
            mirroredSum += mirrored[p];
        }
        h = partSum > mirroredSum ? partSum : mirroredSum;
    }
};

// One depth-first pass below the bound from a position already within it: 1
// found, 0 not within bound, -1 stopped. A child is judged before it is
// entered; the mirrored look-up is skipped when the straight one alone prunes
// it (then the next bound may come out low, which costs at most an extra
// pass, never a wrong answer). Children are entered nearest to the goal first,
// so the last pass finds a solution sooner.
int dfs(Search& s, int g, int from)
{
    if (s.h == 0) {
        s.length = g;
        return 1;
    }
    if ((++s.nodes & 0x3FFF) == 0 && s.budget->expired())
        return -1;
    struct Child {
        int c, t, p, q, part, mirrored, hs, hm, h;
        uint32_t index, mirrorIndex;
    };
    Child kids[4];
    int nKids = 0;
    const int here = s.hole, g1 = g + 1;
    // The look-ups go to memory far beyond the caches: all of them are asked
    // for first, so their waits overlap.
    Child cand[4];
    int nCand = 0;
    for (int e = 0; e < kGrid.deg[here]; e++) {
        const int c = kGrid.nbr[here][e];
        if (c == from)
            continue;
        Child& k = cand[nCand++];
        k.c = c;
        k.t = s.tileAt[c];
        k.p = kKeys.group[k.t];
        k.q = kKeys.mirrorGroup[k.t];
        k.index = s.index[k.p] ^ kKeys.key[k.t][c] ^ kKeys.key[k.t][here];
        k.mirrorIndex = s.mirrorIndex[k.q] ^ kKeys.mirrorKey[k.t][c] ^ kKeys.mirrorKey[k.t][here];
        __builtin_prefetch(s.table[k.p] + k.index);
        __builtin_prefetch(s.table[k.q] + k.mirrorIndex);
    }
    for (int j = 0; j < nCand; j++) {
        Child& k = cand[j];
        k.part = s.table[k.p][k.index];
        k.hs = s.partSum - s.part[k.p] + k.part;
        int f = g1 + k.hs;
        if (f <= s.bound) {
            k.mirrored = s.table[k.q][k.mirrorIndex];
            k.hm = s.mirroredSum - s.mirrored[k.q] + k.mirrored;
            k.h = k.hs > k.hm ? k.hs : k.hm;
            f = g1 + k.h;
            if (f <= s.bound) {
                int at = nKids++;
                while (at > 0 && kids[at - 1].h > k.h) {
                    kids[at] = kids[at - 1];
                    at--;
                }
                kids[at] = k;
                continue;
            }
        }
        if (f < s.nextBound)
            s.nextBound = f;
    }
    for (int i = 0; i < nKids; i++) {
        const Child& k = kids[i];
        const uint32_t oldIndex = s.index[k.p], oldMirrorIndex = s.mirrorIndex[k.q];
        const int oldPart = s.part[k.p], oldMirrored = s.mirrored[k.q];
        const int oldPartSum = s.partSum, oldMirroredSum = s.mirroredSum, oldH = s.h;
        s.tileAt[here] = uint8_t(k.t);
        s.tileAt[k.c] = 15;
        s.hole = k.c;
        s.index[k.p] = k.index;
        s.mirrorIndex[k.q] = k.mirrorIndex;
        s.part[k.p] = k.part;
        s.mirrored[k.q] = k.mirrored;
        s.partSum = k.hs;
        s.mirroredSum = k.hm;
        s.h = k.h;
        s.path[g] = uint8_t(k.c);
        int r = dfs(s, g1, here);
        if (r != 0)
            return r;
        s.index[k.p] = oldIndex;
        s.mirrorIndex[k.q] = oldMirrorIndex;
        s.part[k.p] = oldPart;
        s.mirrored[k.q] = oldMirrored;
        s.partSum = oldPartSum;
        s.mirroredSum = oldMirroredSum;
        s.h = oldH;
        s.hole = here;
        s.tileAt[k.c] = uint8_t(k.t);
        s.tileAt[here] = 15;
    }
    return 0;
}

}

bool pdbApplies(const SolverBoard* b)
{
    return b->gridW == 4 && b->gridH == 4;
}

bool pdbPrepare(const int32_t* cancel)
{
    Databases& d = dbs();
    std::lock_guard<std::mutex> lock(d.lock);
    return prepareLocked(d, cancel);
}

void pdbSetFolder(const char* folder)
{
    Databases& d = dbs();
    std::lock_guard<std::mutex> lock(d.lock);
    d.folder = folder ? folder : "";
    std::lock_guard<std::mutex> copy(d.folderLock);
    d.folderCopy = d.folder;
}

void pdbSetShipped(const char* folder)
{
    Databases& d = dbs();
    std::lock_guard<std::mutex> copy(d.folderLock);
    d.shipped = folder ? folder : "";
}

bool pdbAtHand()
{
    Databases& d = dbs();
    if (d.atHand)
        return true;
    std::string path;
    {
        std::lock_guard<std::mutex> copy(d.folderLock);
        path = d.folderCopy.empty() ? std::string() : d.folderCopy + "/" + kCacheName;
    }
    struct stat st;
    auto nonEmpty = [&st](const std::string& file) {
        return !file.empty() && stat(file.c_str(), &st) == 0 && st.st_size > 0;
    };
    bool there = nonEmpty(path) || nonEmpty(shippedPath(d));
    if (there)
        d.atHand = true;
    return there;
}

PdbOutcome pdbSolve(const SolverBoard* b, const SolverState& s, int atLeast, int atMost, SolverBudget* budget,
                    std::vector<int>* moves)
{
    if (!pdbPrepare(budget->cancel)) {
        budget->stopped = true;
        return PDB_STOPPED;
    }
    Search search{};
    search.table[0] = search.table[1] = dbs().wide6;
    search.table[2] = dbs().wide3;
    for (int v = 0; v < 16; v++)
        search.tileAt[b->cellOfNode[v]] = uint8_t(b->cellOfNode[s.at[v]]);
    search.hole = b->cellOfNode[s.blank];
    search.budget = budget;
    search.evaluate();
    search.bound = search.h > atLeast ? search.h : atLeast;
    int found = 0;
    while (found == 0 && search.bound < int(sizeof search.path)) {
        if (atMost > 0 && search.bound > atMost)
            break;
        search.nextBound = 1 << 30;
        found = dfs(search, 0, -1);
        if (found == 0)
            search.bound = search.nextBound;
    }
    budget->nodes += search.nodes;
    if (found < 0)
        return PDB_STOPPED;
    if (found == 0)
        return atMost > 0 && search.bound > atMost ? PDB_NONE_WITHIN : PDB_STOPPED;
    moves->clear();
    for (int i = 0; i < search.length; i++)
        moves->push_back(b->nodeOfCell[search.path[i]]);
    return PDB_FOUND;
}
