#!/usr/bin/env python3
"""Helper for make-images.sh.

Generates deterministic file contents, records what The Sleuth Kit sees on a
volume before files are deleted (snapshot), and turns the build ledger plus
the final Sleuth Kit view into the per-image manifest.  `verify` re-checks the
committed .img.gz files against their manifests.

Ledger lines (tab separated, one per operation, in build order):
    dir     /path   EPOCH
    file    /path   KIND    SEED    SIZE    EPOCH   (KIND copy=FILE: the bytes of FILE, of SIZE bytes)
    link    /path   /target                 (hard link to an existing file)
    del     /path                           (a file, or a folder with all it holds)
    expect  /path   fragmented|compressed|highcluster|lostlongname|unlisted|shownAs=NAME|holdsFolder=/PATH
                    (unlisted, on a folder: fls may miss deleted files below it, and the
                    folder itself when it is deleted; shownAs and holdsFolder, on a check-disk
                    file: the name its content gives it, or the folder whose directory
                    cluster it holds, copied into the manifest entry)
    valid   /path   N                       (the file's data was patched to be valid for N bytes
                                             only: NTFS initialized size, exFAT valid data length)
    damage  TEXT                            (bytes patched after the tools ran)
    given   /path   FILE    EPOCH           (a file whose bytes a writer of this tool made, kept at FILE)
    recycled /path  FORMER                  (a file in a recycle bin; its index names FORMER,
                                             "C:\\Docs\\a.txt", as the path it had before)
"""

import datetime
import gzip
import hashlib
import json
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile

WORDS = ("amber birch cedar delta ember fjord glade harbor island juniper kestrel lagoon meadow "
         "nectar orchard prairie quarry river summit timber upland valley willow yarrow zephyr").split()

FILLER_LINE = b"filler block: this space is padding that pushes later clusters upwards.\n"


def fail(message):
    sys.stderr.write("imagetool: error: " + message + "\n")
    sys.exit(1)


def warn(message):
    sys.stderr.write("imagetool: warning: " + message + "\n")


# --------------------------------------------------------------------------
# File contents

def make_content(kind, seed, size):
    """Returns the bytes of a generated file; the same arguments give the same bytes."""
    if kind.startswith("copy="):
        with open(kind[len("copy="):], "rb") as f:
            data = f.read()
        if len(data) != size:
            fail(f"{kind}: {len(data)} bytes, not {size}")
        return data
    rng = random.Random(seed)
    if kind == "binary":
        return rng.randbytes(size)
    if kind == "filler":
        reps = size // len(FILLER_LINE) + 1
        return (FILLER_LINE * reps)[:size]
    if kind == "text":
        # Every line carries the seed and its own number, so each sector of a
        # file is unique and misplaced clusters are detectable, yet the text
        # still compresses about 15:1.
        phrase = " ".join(rng.choice(WORDS) for _ in range(5))
        out = bytearray()
        line = 0
        while len(out) < size:
            out += f"{seed:06d}:{line:06d} {phrase} {rng.choice(WORDS)}\n".encode()
            line += 1
        return bytes(out[:size])
    if kind.startswith("sample:"):
        # A sample of carve-samples.tar.gz, cut to `size`.
        import tarfile
        with tarfile.open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "carve-samples.tar.gz")) as tar:
            return tar.extractfile(kind[len("sample:"):]).read()[:size]
    fail(f"unknown content kind {kind}")


def written_bytes(rec):
    """The bytes a ledger file was written with."""
    if "given" in rec:
        with open(rec["given"], "rb") as f:
            return f.read()
    return make_content(rec["kind"], rec["seed"], rec["size"])


def file_bytes(rec):
    """What a reader returns for a ledger file: zeros past a patched valid length."""
    data = written_bytes(rec)
    valid = rec.get("validLength", len(data))
    return data[:valid] + bytes(len(data) - valid)


def md5_hex(data):
    return hashlib.md5(data).hexdigest()


def cmd_gen(args):
    kind, seed, size, out = args[0], int(args[1]), int(args[2]), args[3]
    with open(out, "wb") as f:
        f.write(make_content(kind, seed, size))


def cmd_gen_batch(args):
    """gen-batch OUT_DIR (KIND SEED SIZE)...: writes OUT_DIR/0, OUT_DIR/1, ... in one go."""
    out_dir, rest = args[0], args[1:]
    for i in range(0, len(rest), 3):
        with open(os.path.join(out_dir, str(i // 3)), "wb") as f:
            f.write(make_content(rest[i], int(rest[i + 1]), int(rest[i + 2])))


def cmd_interleave(args):
    """Writes two files in alternating chunks, syncing after every chunk, so a
    file system that allocates at write time interleaves their clusters."""
    chunk = int(args[0])
    outputs = []
    rest = args[1:]
    while rest:
        path, kind, seed, size = rest[0], rest[1], int(rest[2]), int(rest[3])
        outputs.append((path, make_content(kind, seed, size)))
        rest = rest[4:]
    fds = [os.open(p, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644) for p, _ in outputs]
    pos = 0
    while any(pos < len(data) for _, data in outputs):
        for fd, (_, data) in zip(fds, outputs):
            if pos < len(data):
                os.write(fd, data[pos:pos + chunk])
                os.fsync(fd)
        pos += chunk
    for fd in fds:
        os.close(fd)


# --------------------------------------------------------------------------
# Volume geometry, read from the boot sector

def read_at(image, offset, length):
    with open(image, "rb") as f:
        f.seek(offset)
        return f.read(length)


def geometry(image, offset_sectors, fs):
    base = offset_sectors * 512
    boot = read_at(image, base, 512)
    if fs in ("fat12", "fat16", "fat32"):
        bps, spc, reserved, nfats, root_entries, total16, fat16 = struct.unpack_from("<HBHBHHxH", boot, 11)
        total32, = struct.unpack_from("<I", boot, 32)
        fat_sectors = fat16 if fat16 else struct.unpack_from("<I", boot, 36)[0]
        root_sectors = (root_entries * 32 + bps - 1) // bps
        data_start = reserved + nfats * fat_sectors + root_sectors
        total = total16 if total16 else total32
        return {"sectorSize": bps, "sectorsPerCluster": spc, "clusterSize": bps * spc,
                "dataStartSector": data_start, "clusterCount": (total - data_start) // spc,
                "fatStartSector": reserved, "totalSectors": total, "tskUnit": bps}
    if fs == "exfat":
        fat_off, fat_len, heap_off, count, root = struct.unpack_from("<IIIII", boot, 0x50)
        bps = 1 << boot[0x6C]
        spc = 1 << boot[0x6D]
        total, = struct.unpack_from("<Q", boot, 0x48)
        return {"sectorSize": bps, "sectorsPerCluster": spc, "clusterSize": bps * spc,
                "dataStartSector": heap_off, "clusterCount": count, "fatStartSector": fat_off,
                "totalSectors": total, "tskUnit": bps}
    if fs == "ntfs":
        bps, spc = struct.unpack_from("<HB", boot, 11)
        if spc > 0x80:
            spc = 1 << (256 - spc)   # clusters above 64 KiB: a negative power of two
        total, = struct.unpack_from("<Q", boot, 0x28)
        return {"sectorSize": bps, "sectorsPerCluster": spc, "clusterSize": bps * spc,
                "dataStartSector": 0, "clusterCount": (total + 1) // spc,
                "totalSectors": total + 1, "tskUnit": bps * spc}
    fail(f"unknown file system {fs}")


def block_to_cluster(geo, fs, block):
    if fs == "ntfs":
        return block
    return (block - geo["dataStartSector"]) // geo["sectorsPerCluster"] + 2


def extents_of(geo, fs, blocks):
    clusters = []
    for b in blocks:
        c = block_to_cluster(geo, fs, b)
        if not clusters or clusters[-1] != c:
            clusters.append(c)
    runs = []
    for c in clusters:
        if runs and runs[-1][0] + runs[-1][1] == c:
            runs[-1][1] += 1
        else:
            runs.append([c, 1])
    return runs


# --------------------------------------------------------------------------
# The Sleuth Kit

def tsk(tool, image, offset_sectors, options=(), operands=(), binary=False):
    cmd = [tool] + list(options)
    if offset_sectors:
        cmd += ["-o", str(offset_sectors)]
    cmd += [image] + [str(o) for o in operands]
    res = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if res.returncode != 0:
        fail(f"{' '.join(cmd)} failed: {res.stderr.decode(errors='replace').strip()}")
    return res.stdout if binary else res.stdout.decode("utf-8", errors="surrogateescape")


FLS_LINE = re.compile(r"^(\S+) (\* )?([0-9][0-9-]*)(\(realloc\))?:\t(.*)$")


def fls_listing(image, offset_sectors):
    return tsk("fls", image, offset_sectors, options=("-r", "-p", "-l"))


def fls_shown(path):
    """A path as fls prints it: control characters (a tab, a line feed) become "^"."""
    return re.sub(r"[\x00-\x1f]", "^", path)


def parse_fls(text):
    rows = []
    for line in text.splitlines():
        m = FLS_LINE.match(line)
        if not m:
            continue
        fields = m.group(5).split("\t")
        rows.append({"kind": m.group(1), "deleted": bool(m.group(2)), "addr": m.group(3),
                     "inode": int(m.group(3).split("-")[0]), "realloc": bool(m.group(4)),
                     "path": "/" + fields[0], "mtime": fields[1].replace(" (UTC)", "") if len(fields) > 1 else "",
                     "size": int(fields[5]) if len(fields) > 5 else None})
    return rows


def stream_of(path):
    """The stream name of an NTFS "file:stream" path, or None for the file's own data."""
    name = base_name(path)
    return name.split(":", 1)[1] if ":" in name else None


def istat_info(image, offset_sectors, fs, inode, stream=None):
    text = tsk("istat", image, offset_sectors, operands=(inode,))
    info = {"blocks": [], "compressed": False, "resident": False, "siCompressed": False}
    lines = text.splitlines()
    if fs == "ntfs":
        in_data = False
        in_si = False
        for line in lines:
            if line.startswith("$STANDARD_INFORMATION Attribute Values"):
                in_si = True
                continue
            if in_si and line.startswith("Flags:"):
                info["siCompressed"] = "Compressed" in line
                in_si = False
                continue
            if line.startswith("Type: "):
                wanted = f"Name: {stream} " if stream else "Name: N/A"
                in_data = line.startswith("Type: $DATA") and wanted in line
                if in_data:
                    info["compressed"] = "Compressed" in line
                    info["resident"] = "Non-Resident" not in line
                continue
            if in_data:
                info["blocks"] += [int(x) for x in line.split() if x.isdigit() and int(x) != 0]
    else:
        in_sectors = False
        for line in lines:
            if line.startswith("Sectors:"):
                in_sectors = True
                continue
            if in_sectors:
                nums = line.split()
                if not nums or not all(x.isdigit() for x in nums):
                    break
                info["blocks"] += [int(x) for x in nums if int(x) != 0]
    return info


def raw_md5(image, offset_sectors, unit, blocks):
    h = hashlib.md5()
    with open(image, "rb") as f:
        for b in blocks:
            f.seek(offset_sectors * 512 + b * unit)
            h.update(f.read(unit))
    return h.hexdigest()


def allocation_map(image, offset_sectors):
    text = tsk("blkls", image, offset_sectors, options=("-e", "-l"))
    allocated = set()
    for line in text.splitlines():
        parts = line.split("|")
        if len(parts) == 2 and parts[0].isdigit() and parts[1] == "a":
            allocated.add(int(parts[0]))
    return allocated


# --------------------------------------------------------------------------
# Ledger

def fmt_time(epoch):
    return datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc).strftime("%Y-%m-%d %H:%M:%S")


LEDGER_ESCAPES = {"t": "\t", "n": "\n", "\\": "\\"}


def ledger_field(text):
    """A field of the ledger with its \\t, \\n and \\\\ escapes undone."""
    return re.sub(r"\\(.)", lambda m: LEDGER_ESCAPES[m.group(1)], text)


def read_ledger(path):
    entries = {}      # path -> record, in creation order
    expects = {}
    damage = []
    with open(path, encoding="utf-8") as f:
        for raw in f:
            parts = [ledger_field(part) for part in raw.rstrip("\n").split("\t")]
            op = parts[0]
            if op == "dir":
                entries[parts[1]] = {"path": parts[1], "type": "dir", "mtimeEpoch": int(parts[2]), "state": "live"}
            elif op == "file":
                kind, seed, size, epoch = parts[2], int(parts[3]), int(parts[4]), int(parts[5])
                entries[parts[1]] = {"path": parts[1], "type": "file", "kind": kind, "seed": seed,
                                     "size": size, "mtimeEpoch": epoch, "state": "live"}
            elif op == "link":
                target = entries[parts[2]]
                rec = dict(target)
                rec["path"] = parts[1]
                rec["hardlinkOf"] = parts[2]
                entries[parts[1]] = rec
            elif op == "del":
                victim = parts[1]
                if victim not in entries:
                    fail(f"ledger deletes unknown path {victim}")
                for p, rec in entries.items():
                    if p == victim or p.startswith(victim + "/") or p.startswith(victim + ":"):
                        rec["state"] = "deleted"
            elif op == "lost":
                # A live root entry whose directory entry is taken out: its chain stays
                # allocated, nothing names it; parts[2] is the content type a file is named by.
                for p, rec in entries.items():
                    if (p == parts[1] or p.startswith(parts[1] + "/")) and rec["state"] == "live":
                        rec["state"] = "lost"
                entries[parts[1]]["lostTop"] = parts[2]
            elif op == "valid":
                entries[parts[1]]["validLength"] = int(parts[2])
            elif op == "expect":
                expects.setdefault(parts[1], set()).add(parts[2])
            elif op == "damage":
                damage.append(parts[1])
            elif op == "given":
                entries[parts[1]] = {"path": parts[1], "type": "file", "given": parts[2],
                                     "size": os.path.getsize(parts[2]), "mtimeEpoch": int(parts[3]), "state": "live"}
            elif op == "recycled":
                entries[parts[1]]["formerPath"] = parts[2]
            else:
                fail(f"bad ledger line: {raw!r}")
    return entries, expects, damage


def fat_entry(image, offset_sectors, geo, cluster):
    raw = read_at(image, offset_sectors * 512 + geo["fatStartSector"] * geo["sectorSize"] + cluster * 4, 4)
    return struct.unpack("<I", raw)[0]


def live_map(rows):
    """Maps each live path fls shows to its metadata address."""
    return {r["path"]: r for r in rows if not r["deleted"]}


def take_snapshot(ledger, image, offset, fs, state_path):
    entries, _, _ = read_ledger(ledger)
    state = {}
    if os.path.exists(state_path):
        with open(state_path, encoding="utf-8") as f:
            state = json.load(f)
    geo = geometry(image, offset, fs)
    rows = live_map(parse_fls(fls_listing(image, offset)))
    for path, rec in entries.items():
        if rec["state"] != "live":
            continue
        row = rows.get(fls_shown(path))
        if row is None:
            fail(f"snapshot: {path} is live in the ledger but fls does not list it")
        info = istat_info(image, offset, fs, row["inode"], stream_of(path))
        # A file's storage is told by its $DATA; a folder only carries the
        # flag that new files inside it inherit.
        compressed = info["compressed"] if rec["type"] == "file" else info["siCompressed"]
        state[path] = {"inode": row["inode"], "addr": row["addr"], "blocks": info["blocks"],
                       "rawMd5": raw_md5(image, offset, geo["tskUnit"], info["blocks"]),
                       "compressed": compressed, "resident": info["resident"]}
        if fs == "exfat" and info["blocks"]:
            state[path]["noFatChain"] = fat_entry(image, offset, geo,
                                                  block_to_cluster(geo, fs, info["blocks"][0])) == 0
    with open(state_path, "w", encoding="utf-8") as f:
        json.dump(state, f, ensure_ascii=False)


def cmd_snapshot(args):
    ledger, image, offset, fs, state_path = args[0], args[1], int(args[2]), args[3], args[4]
    take_snapshot(ledger, image, offset, fs, state_path)


def cmd_fat_space(args):
    """Prints the highest allocated cluster, the last cluster number and the
    cluster size of a FAT32 volume."""
    image, offset = args[0], int(args[1])
    geo = geometry(image, offset, "fat32")
    last = geo["clusterCount"] + 1
    fat = read_at(image, offset * 512 + geo["fatStartSector"] * geo["sectorSize"], (last + 1) * 4)
    highest = 1
    for cluster in range(2, last + 1):
        if struct.unpack_from("<I", fat, cluster * 4)[0] & 0x0FFFFFFF:
            highest = cluster
    print(highest, last, geo["clusterSize"])


def cmd_fat_lfn_attr(args):
    """fat-lfn-attr IMAGE OFFSET_SECTORS NAME VALUE: sets the attribute byte of the deleted
    long-name entry that holds the last part of NAME (the first of its entries on disk) in
    the root directory of a FAT12/16 volume; prints the byte offset patched."""
    image, offset, name, value = args[0], int(args[1]), args[2], int(args[3], 0)
    geo = geometry(image, offset, "fat16")
    boot = read_at(image, offset * 512, 512)
    root_entries, = struct.unpack_from("<H", boot, 17)
    root_start = (offset + geo["dataStartSector"]) * 512 - root_entries * 32
    root = read_at(image, root_start, root_entries * 32)
    units = name.encode("utf-16-le")
    last_part = len(name) % 13 or 13
    tail = units[(len(name) - last_part) * 2:]
    for i in range(root_entries):
        entry = root[i * 32:(i + 1) * 32]
        chars = entry[1:11] + entry[14:26] + entry[28:32]
        if entry[0] == 0xE5 and entry[11] == 0x0F and chars.startswith(tail):
            with open(image, "r+b") as f:
                f.seek(root_start + i * 32 + 11)
                f.write(bytes([value]))
            print(root_start + i * 32 + 11)
            return
    fail(f"no deleted long-name entry of {name} in the root directory")


def cmd_fat_take_out(args):
    """fat-take-out IMAGE [--live] NAME...: takes the deleted entries (with --live, the live
    entries) of each root folder or file with the long name NAME (its short entry and the
    long-name entries before it) out of a FAT32 root directory, over its whole cluster chain,
    moving the entries after them up, so that nothing names their clusters; prints one line per
    name saying which bytes were taken out. Without --live only folders are taken."""
    image, names = args[0], args[1:]
    live = bool(names) and names[0] == "--live"
    if live:
        names = names[1:]
    geo = geometry(image, 0, "fat32")
    boot = read_at(image, 0, 512)
    root_cluster, = struct.unpack_from("<I", boot, 44)
    chain, cluster = [], root_cluster
    while 2 <= cluster < 0x0FFFFFF8 and cluster not in chain:
        chain.append(cluster)
        cluster = fat_entry(image, 0, geo, cluster) & 0x0FFFFFFF
    size = geo["clusterSize"]
    starts = [(geo["dataStartSector"] + (c - 2) * geo["sectorsPerCluster"]) * geo["sectorSize"] for c in chain]
    root = bytearray(b"".join(read_at(image, at, size) for at in starts))
    state = "live" if live else "deleted"
    for name in names:
        entries = [root[at:at + 32] for at in range(0, len(root), 32)]
        hits = []
        for i, entry in enumerate(entries):
            if entry[0] == 0 or entry[11] == 0x0F or entry[11] & 0x08 or (entry[0] == 0xE5) == live:
                continue
            if not live and not entry[11] & 0x10:
                continue
            first = i
            while first > 0 and (entries[first - 1][0] == 0xE5) != live and entries[first - 1][11] == 0x0F:
                first -= 1
            chars = b"".join(e[1:11] + e[14:26] + e[28:32] for e in reversed(entries[first:i]))
            long_name = chars.decode("utf-16-le", errors="replace").split("\0")[0]
            if long_name == name:
                hits.append((first, i))
        if len(hits) != 1:
            fail(f"{len(hits)} {state} root entries named {name}")
        first, last = hits[0]
        kept = entries[:first] + entries[last + 1:]
        root = bytearray(b"".join(kept).ljust(len(root), b"\0"))
        where = (f"bytes {starts[0] + first * 32} to {starts[0] + (last + 1) * 32} of the root directory's first cluster"
                 if len(chain) == 1 else f"entries {first} to {last} of the root directory's {len(chain)}-cluster chain")
        print(f"the {state} entries of /{name} ({where}) were taken out, the entries after them moved up")
    with open(image, "r+b") as f:
        for k, at in enumerate(starts):
            f.seek(at)
            f.write(root[k * size:(k + 1) * size])


# --------------------------------------------------------------------------
# Final manifest of one volume

def base_name(path):
    return path.rsplit("/", 1)[-1]


def deleted_name_matches(shown, expected):
    # fls shows a deleted short-name entry with its lost first character as "_".
    return shown == expected or (len(shown) == len(expected) and shown[0] == "_" and shown[1:] == expected[1:])


def cmd_finalize(args):
    ledger, image, offset, fs, state_path, fls_out, out_json = args[:7]
    label = args[7] if len(args) > 7 else ""
    offset = int(offset)
    take_snapshot(ledger, image, offset, fs, state_path)    # refresh the live entries
    with open(state_path, encoding="utf-8") as f:
        snap = json.load(f)
    entries, expects, damage = read_ledger(ledger)
    geo = geometry(image, offset, fs)
    listing = fls_listing(image, offset)
    with open(fls_out, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(listing)
    rows = parse_fls(listing)
    allocated = allocation_map(image, offset)
    unit = geo["tskUnit"]
    problems = []
    files = []
    high_folders = []

    for path, rec in entries.items():
        s = snap.get(path)
        if s is None:
            fail(f"{path}: no snapshot was taken while it was live")
        out = {"path": path, "type": rec["type"]}
        if rec["type"] == "file":
            out["size"] = rec["size"]
            out["md5"] = md5_hex(file_bytes(rec))
            if "validLength" in rec:
                out["validLength"] = rec["validLength"]
        out["state"] = rec["state"]
        out["mtime"] = fmt_time(rec["mtimeEpoch"])
        out["mtimeEpoch"] = rec["mtimeEpoch"]
        out["tskInode"] = s["inode"]
        # A named stream is read by its attribute address (record-type-id).
        target = s["addr"] if stream_of(path) else s["inode"]
        if stream_of(path):
            out["tskAddr"] = s["addr"]

        if rec["state"] == "live":
            candidates = [r for r in rows if not r["deleted"] and r["path"] == fls_shown(path)]
        elif rec["state"] == "lost":
            # fls finds the entries of a lost folder, if at all, as orphans.
            candidates = [r for r in rows if r["inode"] == s["inode"]]
        else:
            # A patched long name leaves only the 8.3 alias: the entry's address is enough.
            lost_name = "lostlongname" in expects.get(path, ())
            candidates = [r for r in rows if r["deleted"] and r["inode"] == s["inode"]
                          and (lost_name or deleted_name_matches(base_name(r["path"]), fls_shown(base_name(path))))]
            candidates.sort(key=lambda r: "$OrphanFiles" in r["path"])
            if not candidates:
                # An entry left behind in an INDX block that its folder no longer uses is
                # listed as if it were live.
                candidates = [r for r in rows if r["inode"] == s["inode"]
                              and base_name(r["path"]) == fls_shown(base_name(path))]
        # TSK reads a deleted folder's first cluster only and finds some, not all, of the
        # entries in its later clusters as orphans.
        may_be_unlisted = rec["state"] == "lost" or rec["state"] == "deleted" and any(
            "unlisted" in wants and (path == folder or path.startswith(folder + "/"))
            for folder, wants in expects.items())
        if not candidates and not may_be_unlisted:
            fail(f"{path} ({rec['state']}, inode {s['inode']}) is missing from the final fls listing")
        if candidates:
            row = candidates[0]
            out["tskPath"] = row["path"]
            if row["mtime"] != out["mtime"]:
                problems.append(f"{path}: fls mtime {row['mtime']} != {out['mtime']}")

        blocks = s["blocks"]
        if fs != "ntfs" or rec["type"] == "file":
            runs = extents_of(geo, fs, blocks)
            if runs:
                if fs != "ntfs":
                    out["firstCluster"] = runs[0][0]
                out["extents"] = runs
            if len(runs) > 1:
                out["fragmented"] = True
        if s["compressed"]:
            out["compressed"] = True
        if "noFatChain" in s:
            # exFAT: the clusters are contiguous and the FAT holds no chain for them
            out["noFatChain"] = s["noFatChain"]
        if fs == "ntfs" and rec["type"] == "file":
            out["resident"] = s["resident"]
        if "hardlinkOf" in rec:
            out["hardlinkOf"] = rec["hardlinkOf"]
        if "formerPath" in rec:
            out["formerPath"] = rec["formerPath"]

        for want in sorted(expects.get(path, ())):
            if want == "fragmented" and not out.get("fragmented"):
                problems.append(f"{path}: expected to be fragmented, extents {out.get('extents')}")
            if want == "compressed" and not out.get("compressed"):
                problems.append(f"{path}: expected compressed $DATA")
            if want in ("resident", "nonresident") and out.get("resident") != (want == "resident"):
                problems.append(f"{path}: expected {want} data")
            for field in ("shownAs", "holdsFolder"):
                if want.startswith(field + "="):
                    out[field] = want[len(field) + 1:]
            if want == "highcluster":
                first = out.get("firstCluster", 0)
                if first <= 0xFFFF:
                    problems.append(f"{path}: first cluster {first} is not above 65535")
                high_folders.append({"path": path, "firstCluster": first, "state": rec["state"]})

        if rec["state"] == "live" and rec["type"] == "file":
            got = md5_hex(tsk("icat", image, offset, operands=(target,), binary=True))
            written = md5_hex(written_bytes(rec))
            if fs == "exfat" and "validLength" in rec and got == written:
                # The Sleuth Kit reads an exFAT stream to its data length, past the valid data length.
                out["tskReadsPastValidLength"] = True
            elif got != out["md5"]:
                problems.append(f"{path}: icat md5 {got} != {out['md5']}")
        if rec["state"] == "lost":
            if any(b not in allocated for b in blocks):
                problems.append(f"{path}: a lost chain's cluster is free")
            if rec["type"] == "file":
                got = md5_hex(cluster_bytes(image, geo, out.get("extents", []))[:rec["size"]])
                if got != out["md5"]:
                    problems.append(f"{path}: lost clusters md5 {got} != {out['md5']}")
            if "lostTop" in rec:
                out["lostType"] = rec["lostTop"]
        if rec["state"] == "deleted":
            unallocated = all(b not in allocated for b in blocks)
            reusable = unallocated
            if rec["type"] == "file":
                if blocks:
                    reusable = reusable and raw_md5(image, offset, unit, blocks) == s["rawMd5"]
                else:
                    # resident or empty: the data lives in the metadata entry itself
                    got = md5_hex(tsk("icat", image, offset, options=("-r",), operands=(target,), binary=True))
                    reusable = reusable and got == out["md5"]
                if reusable and candidates:  # an unlisted entry has no inode left to ask icat about
                    got = md5_hex(tsk("icat", image, offset, options=("-r",), operands=(target,), binary=True))
                    if got != out["md5"]:
                        warn(f"{path}: clusters intact, but icat of the deleted entry gives {got}")
            out["reusable"] = reusable
        files.append(out)

    if problems:
        fail("volume check failed:\n  " + "\n  ".join(problems))
    add_lost_paths(files, geo["clusterSize"])
    volume = {"fs": fs, "label": label, "sectorSize": geo["sectorSize"], "clusterSize": geo["clusterSize"],
              "clusterCount": geo["clusterCount"], "flsListing": os.path.basename(fls_out)}
    if high_folders:
        volume["highClusterFolders"] = high_folders
    if damage:
        volume["damage"] = damage
    volume["files"] = files
    with open(out_json, "w", encoding="utf-8") as f:
        json.dump(volume, f, ensure_ascii=False)


def add_lost_paths(files, cluster_size):
    """Where the lost-chain search of the deleted-file mode shows each lost entry: the lost root
    folders as Dir_<n> in first-cluster order, n zero-padded to the digits of their count + 1;
    a lost root file as "Lost Files/File <first cluster>.<type>" ("File <first cluster>" for
    unknown content) of its whole clusters."""
    tops = [f for f in files if "lostType" in f]
    folders = sorted((f for f in tops if f["type"] == "dir"), key=lambda f: f["firstCluster"])
    digits = len(str(len(folders) + 1))
    for n, folder in enumerate(folders, 1):
        folder["lostPath"] = f"Dir_{n:0{digits}d}"
        for f in files:
            if f["path"].startswith(folder["path"] + "/"):
                f["lostPath"] = folder["lostPath"] + f["path"][len(folder["path"]):]
                if f["type"] == "file":
                    f["lostSize"] = f["size"]
    for f in tops:
        if f["type"] == "file":
            suffix = "" if f["lostType"] == "unknown" else "." + f["lostType"]
            f["lostPath"] = f"Lost Files/File {f['firstCluster']}{suffix}"
            f["lostSize"] = sum(count for _, count in f["extents"]) * cluster_size


def cmd_plain_finalize(args):
    """plain-finalize LEDGER IMAGE OFFSET FS OUT_JSON LABEL: the manifest of a volume The Sleuth
    Kit cannot read, from the ledger alone. Deleted files count as reusable: the script writes
    nothing after the final deletions."""
    ledger, image, offset, fs, out_json, label = args[0], args[1], int(args[2]), args[3], args[4], args[5]
    entries, _, _ = read_ledger(ledger)
    geo = geometry(image, offset, fs)
    files = []
    for path, rec in entries.items():
        out = {"path": path, "type": rec["type"]}
        if rec["type"] == "file":
            out["size"] = rec["size"]
            out["md5"] = md5_hex(file_bytes(rec))
        out["state"] = rec["state"]
        out["mtime"] = fmt_time(rec["mtimeEpoch"])
        out["mtimeEpoch"] = rec["mtimeEpoch"]
        if rec["state"] == "deleted":
            out["reusable"] = True
        if "hardlinkOf" in rec:
            out["hardlinkOf"] = rec["hardlinkOf"]
        if "formerPath" in rec:
            out["formerPath"] = rec["formerPath"]
        files.append(out)
    volume = {"fs": fs, "label": label, "sectorSize": geo["sectorSize"], "clusterSize": geo["clusterSize"],
              "clusterCount": geo["clusterCount"], "files": files}
    with open(out_json, "w", encoding="utf-8") as f:
        json.dump(volume, f, ensure_ascii=False)


def ntfs_data_attribute(image, offset, inode):
    """Byte offset in the image of the unnamed non-resident $DATA of MFT record `inode`."""
    boot = read_at(image, offset * 512, 512)
    geo = geometry(image, offset, "ntfs")
    mft_cluster, = struct.unpack_from("<Q", boot, 0x30)
    record_at = offset * 512 + mft_cluster * geo["clusterSize"] + inode * 1024
    record = read_at(image, record_at, 1024)
    if record[:4] != b"FILE" or struct.unpack_from("<I", record, 0x2C)[0] != inode:
        fail(f"record {inode} is not where the first MFT run puts it")
    at, = struct.unpack_from("<H", record, 0x14)
    while at + 16 <= 1024:
        kind, length = struct.unpack_from("<II", record, at)
        if kind == 0xFFFFFFFF or length == 0:
            break
        if kind == 0x80 and record[at + 8] == 1 and record[at + 9] == 0:
            return record_at + at
        at += length
    fail(f"record {inode} has no non-resident unnamed $DATA")


def exfat_named_sets(data, file_type, stream_type, name, name_type=None):
    """Offset and entry count of each exFAT entry set in `data` whose file and stream entries
    have the given types and whose name entries (of `name_type`, when given) spell `name`."""
    for at in range(0, len(data) - 96, 32):
        if data[at] != file_type or data[at + 32] != stream_type:
            continue
        count, length = data[at + 1], data[at + 35]
        names = [data[at + 64 + 32 * i:at + 64 + 32 * i + 32] for i in range(count - 1)]
        chars = b"".join(entry[2:] for entry in names)
        if (name_type is None or all(entry[0] == name_type for entry in names)) and \
                chars[:2 * length].decode("utf-16-le", errors="replace") == name:
            yield at, count


def exfat_entry_set(image, offset, name):
    """Byte offset in the image of the in-use entry set of the only file called `name`."""
    data = read_at(image, offset * 512, os.path.getsize(image) - offset * 512)
    found = [at for at, _ in exfat_named_sets(data, 0x85, 0xC0, name, 0xC1)]
    if len(found) != 1:
        fail(f"{len(found)} in-use entry sets are called {name}")
    return offset * 512 + found[0]


def exfat_set_checksum(entries):
    total = 0
    for i, byte in enumerate(entries):
        if i not in (2, 3):
            total = (((total & 1) << 15) | (total >> 1)) + byte & 0xFFFF
    return total


def cmd_cut_valid(args):
    """cut-valid IMAGE OFFSET FS SNAPSHOT PATH N: patches the file's data to be valid for its
    first N bytes only (NTFS: the $DATA initialized size; exFAT: the stream's valid data
    length, with the entry-set checksum made right again)."""
    image, offset, fs, state_path, path, valid = args[0], int(args[1]), args[2], args[3], args[4], int(args[5])
    with open(image, "r+b") as f:
        if fs == "ntfs":
            with open(state_path, encoding="utf-8") as g:
                inode = json.load(g)[path]["inode"]
            field = ntfs_data_attribute(image, offset, inode) + 0x38
            if field % 512 + 8 > 510:
                fail(f"{path}: the initialized size overlaps an update sequence slot")
            f.seek(field)
            f.write(struct.pack("<Q", valid))
        elif fs == "exfat":
            at = exfat_entry_set(image, offset, base_name(path))
            f.seek(at)
            entries = bytearray(f.read(32 * (read_at(image, at + 1, 1)[0] + 1)))
            struct.pack_into("<Q", entries, 32 + 8, valid)
            struct.pack_into("<H", entries, 2, exfat_set_checksum(entries))
            f.seek(at)
            f.write(entries)
        else:
            fail(f"cut-valid: no valid length on {fs}")


EXTENDED_TYPES = (0x05, 0x0F, 0x85)


def cmd_assemble(args):
    """assemble IMAGE OUT_JSON TABLE VOLUME...

    TABLE is the `sfdisk -J` output of a partitioned image, or "-" for a bare
    volume.  Each VOLUME is "INDEX|FS|LABEL|VOLUME_JSON" and names the finalized
    volume of one partition (INDEX 0 for a bare volume); a partition without one
    has the file system "none" (or "extended").  A VOLUME "former|FORMER_JSON|FS|LABEL|HOW"
    adds a volume recorded by `former` before it was overwritten to "formerVolumes", with
    what overwrote it (FS and LABEL of the new volume, "none" and "" for none) and what of
    it survived."""
    image, out_json, table = args[0], args[1], args[2]
    volumes = {}
    former = []
    for described in args[3:]:
        if described.startswith("former|"):
            former.append(former_volume(image, *described.split("|")[1:]))
            continue
        index, fs, label, volume = described.split("|")
        volumes[int(index)] = (fs, label, volume)
    size = os.path.getsize(image)
    if table == "-":
        slots = [{"index": 0, "startSector": 0, "sectorCount": size // 512, "type": None, "logical": False}]
    else:
        with open(table, encoding="utf-8") as f:
            parts = json.load(f)["partitiontable"]["partitions"]
        slots = []
        for p in parts:
            index = int(re.search(r"(\d+)$", p["node"]).group(1))
            slots.append({"index": index, "startSector": p["start"], "sectorCount": p["size"],
                          "type": int(p["type"], 16), "logical": index >= 5})
    partitions = []
    for slot in slots:
        unformatted = "extended" if slot["type"] in EXTENDED_TYPES else "none"
        fs, label, volume = volumes.get(slot["index"], (unformatted, "", ""))
        entry = dict(slot)
        entry["fs"] = fs
        entry["label"] = label or None
        if volume:
            with open(volume, encoding="utf-8") as f:
                vol = json.load(f)
            for key, value in vol.items():
                if key not in ("fs", "label"):
                    entry[key] = value
        else:
            entry["files"] = []
        partitions.append(entry)
    manifest = {"image": os.path.basename(image), "compressedImage": os.path.basename(image) + ".gz",
                "sizeBytes": size, "sectors": size // 512, "partitions": partitions}
    if former:
        manifest["formerVolumes"] = former
    with open(out_json, "w", encoding="utf-8") as f:
        f.write(dump_one_entry_per_line(manifest))


def dump_one_entry_per_line(manifest):
    """Indented JSON in which every file entry stays on a single line."""
    tokens = {}
    for part in manifest["partitions"] + manifest.get("formerVolumes", []):
        for i, entry in enumerate(part["files"]):
            token = f"@@entry{len(tokens)}@@"
            tokens['"' + token + '"'] = json.dumps(entry, ensure_ascii=False)
            part["files"][i] = token
    text = json.dumps(manifest, ensure_ascii=False, indent=1)
    for token, entry in tokens.items():
        text = text.replace(token, entry)
    return text + "\n"


# --------------------------------------------------------------------------
# Damaged copies: one byte of a committed image changed

def fat_directory_entry(image, geo, first_cluster, size):
    """Byte offset of the only deleted short entry with this first cluster and size."""
    data = read_at(image, 0, os.path.getsize(image))
    found = []
    for at in range(0, len(data) - 32, 32):
        if data[at] != 0xE5 or data[at + 11] == 0x0F:
            continue
        hi, lo, length = struct.unpack_from("<H4xHI", data, at + 20)
        if (hi << 16 | lo) == first_cluster and length == size:
            found.append(at)
    if len(found) != 1:
        fail(f"{len(found)} deleted entries start at cluster {first_cluster} with size {size}")
    return found[0]


def exfat_deleted_stream(image, first_cluster, size):
    """Byte offset of the stream entry of the only deleted entry set with this first cluster and length."""
    data = read_at(image, 0, os.path.getsize(image))
    found = []
    for at in range(0, len(data) - 64, 32):
        if data[at] != 0x05 or data[at + 32] != 0x40:
            continue
        cluster, length = struct.unpack_from("<IQ", data, at + 32 + 20)
        if cluster == first_cluster and length == size:
            found.append(at + 32)
    if len(found) != 1:
        fail(f"{len(found)} deleted entry sets start at cluster {first_cluster} with length {size}")
    return found[0]


def cluster_bytes(image, geo, runs, valid=None):
    """The bytes of the clusters of `runs`, those past `valid` (a valid data length) as zeros."""
    out = bytearray()
    for first, count in runs:
        at = (geo["dataStartSector"] + (first - 2) * geo["sectorsPerCluster"]) * geo["sectorSize"]
        out += read_at(image, at, count * geo["clusterSize"])
    if valid is not None:
        out[valid:] = bytes(len(out) - valid)
    return bytes(out)


def cmd_damage_copy(args):
    """damage-copy FOLDER BASE NAME KIND PATH VALUE OUT_DIR

    Writes OUT_DIR/NAME.img, BASE's image with one byte of PATH's metadata set to VALUE, and
    OUT_DIR/NAME.manifest.json: BASE's manifest with the changed byte and, on PATH's entry, the
    clusters the sound reading holds (`held`) and their MD5.  KIND names the byte:
      exfat-length  byte 5 of the deleted file's stream DataLength (bits 40-47)
      fat-size      byte 3 of the deleted file's directory-entry size (bits 24-31)
      fat-loop      low byte of the second FAT's entry of the last cluster of the live file's
                    first run, made to point back at that run's first cluster (on a volume
                    with two FATs the scanner reads the second)"""
    folder, base, name, kind, path, value, out_dir = args[0], args[1], args[2], args[3], args[4], int(args[5], 0), args[6]
    with open(os.path.join(folder, base + ".manifest.json"), encoding="utf-8") as f:
        manifest = json.load(f)
    image = os.path.join(out_dir, name + ".img")
    with gzip.open(os.path.join(folder, manifest["compressedImage"]), "rb") as src, open(image, "wb") as dst:
        shutil.copyfileobj(src, dst)
    part = manifest["partitions"][0]
    if part["startSector"] != 0:
        fail("damage-copy: only bare volumes")
    geo = geometry(image, 0, part["fs"])
    entry = next(e for e in part["files"] if e["path"] == path)
    runs = entry["extents"]
    image_sectors = os.path.getsize(image) // 512
    cluster_limit = 2 + (image_sectors - geo["dataStartSector"]) // geo["sectorsPerCluster"]
    valid = None
    if kind == "exfat-length":
        at = exfat_deleted_stream(image, runs[0][0], entry["size"]) + 24 + 5
        what = f"byte 5 of the DataLength of the deleted {path}'s stream entry"
        cluster_limit = geo["clusterCount"] + 2
        held = [[runs[0][0], cluster_limit - runs[0][0]]]
        valid = entry.get("validLength", entry["size"])
    elif kind == "fat-size":
        at = fat_directory_entry(image, geo, runs[0][0], entry["size"]) + 28 + 3
        what = f"byte 3 of the size of the deleted {path}'s directory entry"
        held = [[runs[0][0], cluster_limit - runs[0][0]]]
    elif kind == "fat-loop":
        width = 4 if part["fs"] == "fat32" else 2
        last = runs[0][0] + runs[0][1] - 1
        boot = read_at(image, 0, 512)
        fat_sectors = struct.unpack_from("<H", boot, 22)[0] or struct.unpack_from("<I", boot, 36)[0]
        if boot[16] != 2:
            fail("fat-loop: the volume must have two FATs")
        at = (geo["fatStartSector"] + fat_sectors) * geo["sectorSize"] + last * width
        what = f"low byte of the second FAT's entry of cluster {last}, the last of {path}'s first run"
        held = [runs[0]]
        if value != runs[0][0] & 0xFF:
            fail("fat-loop: the value must be the low byte of the run's first cluster")
    else:
        fail(f"damage-copy: unknown kind {kind}")
    with open(image, "r+b") as f:
        f.seek(at)
        old = f.read(1)[0]
        f.seek(at)
        f.write(bytes([value]))
    if kind == "exfat-length" or kind == "fat-size":
        shift = 40 if kind == "exfat-length" else 24
        entry["sizeWritten"] = entry["size"]
        entry["size"] = entry["size"] - (old << shift) + (value << shift)
    held_bytes = cluster_bytes(image, geo, held, valid)
    entry["held"] = {"extents": held, "bytes": len(held_bytes), "md5": md5_hex(held_bytes)}
    part.pop("flsListing", None)
    part["damage"] = [f"{what} (offset {at}) set from 0x{old:02X} to 0x{value:02X}"]
    manifest.update({"image": name + ".img", "compressedImage": name + ".img.gz", "damagedCopyOf": base,
                     "changedByte": {"offset": at, "from": old, "to": value}})
    with open(os.path.join(out_dir, name + ".manifest.json"), "w", encoding="utf-8") as f:
        f.write(dump_one_entry_per_line(manifest))


# --------------------------------------------------------------------------
# Former volumes: a volume recorded before it is reformatted, or its boot region or partition
# table overwritten, and what of it the image still holds afterwards

def cluster_sector(vol, cluster):
    """The image sector where cluster `cluster` of a recorded volume starts."""
    per_cluster = vol["clusterSize"] // 512
    if vol["fs"] == "ntfs":
        return vol["startSector"] + cluster * per_cluster
    return vol["startSector"] + vol["dataStartSector"] * vol["sectorSize"] // 512 + (cluster - 2) * per_cluster


def runs_bytes(image, vol, runs):
    return b"".join(read_at(image, cluster_sector(vol, first) * 512, count * vol["clusterSize"])
                    for first, count in runs)


def cmd_former(args):
    """former LEDGER IMAGE OFFSET FS SNAPSHOT FLS_OUT OUT_JSON LABEL: `finalize` of a volume about
    to be overwritten, with what is needed to find its pieces afterwards: its geometry
    (startSector and sectorCount on the image; FAT and exFAT: dataStartSector, the first sector
    of cluster 2 counted from the volume's start; NTFS: mftCluster, mftMirrorCluster), each
    entry's firstSector on the image, the MD5 of a FAT or exFAT folder's clusters
    (clustersMd5), and on NTFS the image sector and MD5 of each entry's MFT record."""
    cmd_finalize(args)
    image, offset, fs, out_json = args[1], int(args[2]), args[3], args[6]
    with open(out_json, encoding="utf-8") as f:
        vol = json.load(f)
    geo = geometry(image, offset, fs)
    vol["flsBefore"] = vol.pop("flsListing")
    vol["startSector"] = offset
    vol["sectorCount"] = geo["totalSectors"] * geo["sectorSize"] // 512
    if fs == "ntfs":
        boot = read_at(image, offset * 512, 512)
        vol["mftCluster"], vol["mftMirrorCluster"] = struct.unpack_from("<QQ", boot, 0x30)
        record_size = 1 << (256 - boot[0x40]) if boot[0x40] > 0x80 else boot[0x40] * geo["clusterSize"]
        vol["mftRecordSize"] = record_size
        mft = istat_info(image, offset, fs, 0)["blocks"]
    else:
        vol["dataStartSector"] = geo["dataStartSector"]
    for entry in vol["files"]:
        if entry.get("extents"):
            entry["firstSector"] = cluster_sector(vol, entry["extents"][0][0])
            if entry["type"] == "dir":
                entry["clustersMd5"] = md5_hex(runs_bytes(image, vol, entry["extents"]))
        if fs == "ntfs":
            at = entry["tskInode"] * record_size
            sector = cluster_sector(vol, mft[at // geo["clusterSize"]]) + at % geo["clusterSize"] // 512
            entry["recordSector"] = sector
            entry["recordMd5"] = md5_hex(read_at(image, sector * 512, record_size))
    with open(out_json, "w", encoding="utf-8") as f:
        json.dump(vol, f, ensure_ascii=False)


def former_survival(image, vol):
    """Per entry of a recorded volume, what the image still holds as it was: `survived` (a file:
    its data, read from its clusters, has its MD5; a FAT or exFAT folder: its clusters are
    unchanged) and on NTFS `recordSurvived` (its MFT record is unchanged)."""
    flags = []
    for entry in vol["files"]:
        got = {}
        if "recordMd5" in entry:
            got["recordSurvived"] = md5_hex(read_at(image, entry["recordSector"] * 512, vol["mftRecordSize"])) == entry["recordMd5"]
        if entry["type"] == "file":
            if entry.get("extents"):
                got["survived"] = md5_hex(runs_bytes(image, vol, entry["extents"])[:entry["size"]]) == entry["md5"]
            else:  # resident or empty: the data is in the record, if anywhere
                got["survived"] = got.get("recordSurvived", True)
        elif "clustersMd5" in entry:
            got["survived"] = md5_hex(runs_bytes(image, vol, entry["extents"])) == entry["clustersMd5"]
        flags.append(got)
    return flags


def former_volume(image, former_json, fs, label, how):
    """The manifest entry of a volume `former` recorded, now overwritten as HOW says."""
    with open(former_json, encoding="utf-8") as f:
        vol = json.load(f)
    files = vol.pop("files")
    vol["overwrittenBy"] = {"fs": fs, "label": label or None, "how": how}
    vol["files"] = files
    for entry, got in zip(files, former_survival(image, vol)):
        entry.update(got)
    return vol


def former_errors(image, volumes):
    """The former volumes' entries whose survival the image no longer bears out."""
    errors = []
    for vol in volumes:
        for entry, got in zip(vol["files"], former_survival(image, vol)):
            for key, value in got.items():
                if entry.get(key) != value:
                    errors.append(f"former {vol['fs']} at {vol['startSector']}: {entry['path']}: {key} is {value}")
    return errors


# --------------------------------------------------------------------------
# Verification of the committed artefacts

def damaged_copy_errors(folder, man, image):
    """A damaged copy differs from its base image in exactly the byte its manifest names."""
    with open(os.path.join(folder, man["damagedCopyOf"] + ".manifest.json"), encoding="utf-8") as f:
        base = json.load(f)
    with gzip.open(os.path.join(folder, base["compressedImage"]), "rb") as f:
        original = f.read()
    damaged = read_at(image, 0, os.path.getsize(image))
    changed = [i for i in range(0, len(original), 1 << 20) if original[i:i + (1 << 20)] != damaged[i:i + (1 << 20)]]
    diffs = [i + j for i in changed for j in range(min(1 << 20, len(original) - i)) if original[i + j] != damaged[i + j]]
    byte = man["changedByte"]
    if len(original) != len(damaged) or diffs != [byte["offset"]] or damaged[byte["offset"]] != byte["to"] \
            or original[byte["offset"]] != byte["from"]:
        return [f"differs from {man['damagedCopyOf']} at {diffs[:5]}, not only at the byte named"]
    return []


def cmd_verify(args):
    folder = args[0]
    manifests = sorted(n for n in os.listdir(folder) if n.endswith(".manifest.json"))
    if not manifests:
        fail(f"no manifests in {folder}")
    total_errors = 0
    with tempfile.TemporaryDirectory() as tmp:
        for name in manifests:
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                man = json.load(f)
            if "image" not in man:  # the carving samples' list, which describes no image
                continue
            image = os.path.join(tmp, man["image"])
            with gzip.open(os.path.join(folder, man["compressedImage"]), "rb") as src, open(image, "wb") as dst:
                shutil.copyfileobj(src, dst)
            errors = []
            if os.path.getsize(image) != man["sizeBytes"]:
                errors.append("size differs")
            if "carved" in man:
                errors += carved_errors(man, image)
                print(f"{man['compressedImage']}: {len(man['carved'])} files to carve: {'ok' if not errors else errors}")
                total_errors += len(errors)
                os.remove(image)
                continue
            if "damagedCopyOf" in man:
                errors += damaged_copy_errors(folder, man, image)
                print(f"{man['compressedImage']}: {man['damagedCopyOf']} with one byte changed: "
                      f"{'ok' if not errors else errors}")
                total_errors += len(errors)
                os.remove(image)
                continue
            checked_live = checked_deleted = 0
            for part in man["partitions"]:
                if not part.get("files") and part["fs"] in ("extended", "none"):
                    continue
                if "flsListing" not in part:
                    print(f"{man['compressedImage']}: not readable by The Sleuth Kit; its manifest is the only oracle")
                    continue
                offset = part["startSector"]
                listing = fls_listing(image, offset)
                with open(os.path.join(folder, part["flsListing"]), encoding="utf-8", errors="surrogateescape") as f:
                    if f.read() != listing:
                        errors.append(f"{part['flsListing']} differs from fls output")
                rows = live_map(parse_fls(listing))
                for entry in part["files"]:
                    if entry["type"] != "file" or entry.get("tskReadsPastValidLength"):
                        continue
                    if entry["state"] == "live":
                        row = rows.get(fls_shown(entry["path"]))
                        if row is None:
                            errors.append(f"{entry['path']}: not listed by fls")
                            continue
                        inode = entry.get("tskAddr", row["inode"])
                        checked_live += 1
                    elif entry.get("reusable") and "tskPath" in entry:
                        inode = entry.get("tskAddr", entry["tskInode"])
                        checked_deleted += 1
                    elif entry["state"] == "lost" or entry.get("reusable"):
                        # Nothing names a lost chain, nor a deleted file whose folder is gone:
                        # its clusters are read as they lie.
                        got = md5_hex(cluster_bytes(image, geometry(image, offset, part["fs"]), entry["extents"])[:entry["size"]])
                        if got != entry["md5"]:
                            errors.append(f"{entry['path']} ({entry['state']}): md5 {got} != {entry['md5']}")
                        continue
                    else:
                        continue
                    recover = ("-r",) if entry["state"] == "deleted" else ()
                    got = md5_hex(tsk("icat", image, offset, options=recover, operands=(inode,), binary=True))
                    if got != entry["md5"]:
                        errors.append(f"{entry['path']} ({entry['state']}): icat md5 {got} != {entry['md5']}")
            former = [e for vol in man.get("formerVolumes", []) for e in vol["files"]]
            errors += former_errors(image, man.get("formerVolumes", []))
            gz_size = os.path.getsize(os.path.join(folder, man["compressedImage"]))
            status = "ok" if not errors else f"{len(errors)} problem(s)"
            print(f"{man['compressedImage']}: {gz_size} bytes compressed, {man['sizeBytes']} bytes raw, "
                  f"{checked_live} live and {checked_deleted} deleted files match icat"
                  + (f", {sum(bool(e.get('survived')) for e in former)} of {len(former)} former entries survived"
                     if former else "") + f": {status}")
            for e in errors:
                print("   " + e)
            total_errors += len(errors)
            os.remove(image)
    if total_errors:
        sys.exit(1)


# --------------------------------------------------------------------------
# Recycle-bin records, written from their Windows layouts (no installed tool writes them)

def filetime(epoch):
    """Windows FILETIME: 100 ns units since 1601-01-01."""
    return (epoch + 11644473600) * 10_000_000


def cmd_info2(args):
    """info2 OUT EPOCH (NUMBER|DRIVE|PATH|SIZE)...: the index of a "RECYCLER" folder.

    A 20-byte header (version 5, two reserved words, the record length 800 and the total size
    of the recycled files), then one 800-byte record per item: the former path in ANSI
    (260 bytes, NUL-padded), the record number (the N of the item's name "D<drive>N.ext"),
    the drive number (0 = A:), the deletion FILETIME, the size, and the former path in
    UTF-16 (520 bytes, NUL-padded)."""
    out, epoch, items = args[0], int(args[1]), [a.split("|") for a in args[2:]]
    data = bytearray(struct.pack("<5I", 5, 0, 0, 800, sum(int(i[3]) for i in items)))
    for number, drive, path, size in items:
        data += path.encode("cp1252").ljust(260, b"\0")
        data += struct.pack("<IIQI", int(number), ord(drive.upper()) - ord("A"), filetime(epoch), int(size))
        data += path.encode("utf-16-le").ljust(520, b"\0")
    with open(out, "wb") as f:
        f.write(data)


def cmd_recycle_item(args):
    """recycle-item OUT VERSION SIZE EPOCH PATH: the "$I" file beside a "$R" item.

    Version 1 (Vista, 7): the version (8 bytes), the item's size (8), the deletion FILETIME (8),
    then the former path in UTF-16, NUL-padded to 520 bytes. Version 2 (Windows 10 on): the same
    24 bytes, then the path's length in characters with its NUL (4 bytes) and the path with
    its NUL."""
    out, version, size, epoch, path = args[0], int(args[1]), int(args[2]), int(args[3]), args[4]
    data = struct.pack("<QQQ", version, size, filetime(epoch))
    wide = (path + "\0").encode("utf-16-le")
    if version == 1:
        data += wide.ljust(520, b"\0")
    else:
        data += struct.pack("<I", len(wide) // 2) + wide
    with open(out, "wb") as f:
        f.write(data)


# --------------------------------------------------------------------------
# Files for carving: small documented writers of the formats no installed tool writes, and
# the layout of deleted files whose directory entries were wiped

def swf_sample(seed):
    """An uncompressed Flash movie: header (FWS, version 10, length, empty frame rectangle,
    12 frames/s, 1 frame), a Metadata tag (77) of XML text, ShowFrame and End."""
    rng = random.Random(seed)
    text = "<rdf:RDF>" + "".join(f"<dc:title>clip {rng.randrange(10**6)}</dc:title>" for _ in range(60)) + "</rdf:RDF>"
    xml = text.encode() + b"\0"
    body = bytes([0x00]) + struct.pack("<HH", 12 << 8, 1)
    body += struct.pack("<HI", 77 << 6 | 0x3F, len(xml)) + xml + struct.pack("<H", 1 << 6) + struct.pack("<H", 0)
    return b"FWS" + bytes([10]) + struct.pack("<I", 8 + len(body)) + body


def riff_chunk(tag, data):
    return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")


def cdr_sample(seed):
    """A CorelDRAW 6 container: RIFF form "CDr6" holding a version chunk and a LIST of page data."""
    rng = random.Random(seed)
    pages = riff_chunk(b"LIST", b"page" + riff_chunk(b"flgs", bytes(rng.randrange(256) for _ in range(1500))))
    body = b"CDr6" + riff_chunk(b"vrsn", struct.pack("<H", 600)) + pages
    return b"RIFF" + struct.pack("<I", len(body)) + body


def tiff_sample(kind, seed):
    """A raw photo's TIFF start: cr2 (II, "CR" 2.0 at 8), nef (MM) or orf (IIRO), one IFD giving
    width, height and make, then pixel bytes."""
    rng = random.Random(seed)
    big = kind == "nef"
    order = ">" if big else "<"
    make = {"cr2": b"Canon\0", "nef": b"NIKON CORPORATION\0", "orf": b"OLYMPUS IMAGING CORP.\0"}[kind]
    head = {"cr2": b"II*\0" + struct.pack("<I", 16) + b"CR\x02\0" + struct.pack("<I", 0),
            "nef": b"MM\0*" + struct.pack(">I", 8),
            "orf": b"IIRO" + struct.pack("<I", 8)}[kind]
    ifd_at = len(head)
    entries = 3
    make_at = ifd_at + 2 + entries * 12 + 4
    ifd = struct.pack(order + "H", entries)
    ifd += struct.pack(order + "HHIHH", 256, 3, 1, 64, 0)
    ifd += struct.pack(order + "HHIHH", 257, 3, 1, 48, 0)
    ifd += struct.pack(order + "HHII", 271, 2, len(make), make_at)
    ifd += struct.pack(order + "I", 0)
    return head + ifd + make + bytes(rng.randrange(256) for _ in range(3000))


def cmd_carve_sample(args):
    """carve-sample KIND SEED OUT: writes a swf, cdr, cr2, nef or orf sample."""
    kind, seed, out = args[0], int(args[1]), args[2]
    data = {"swf": lambda: swf_sample(seed), "cdr": lambda: cdr_sample(seed)}.get(kind, lambda: tiff_sample(kind, seed))()
    with open(out, "wb") as f:
        f.write(data)


RAW_PHOTO_BYTES = 30 * 1024 * 1024


def fat_deleted_short_entries(data, name):
    """(entry offset, first cluster, size, offsets to remove) of each deleted short entry called `name`."""
    base, _, ext = name.partition(".")
    short = (base.ljust(8) + ext.ljust(3)).encode()
    found = []
    for at in range(0, len(data) - 32, 32):
        if data[at] == 0xE5 and data[at + 1:at + 11] == short[1:]:
            hi, lo, length = struct.unpack_from("<H4xHI", data, at + 20)
            found.append((at, hi << 16 | lo, length, [at]))
    return found


def exfat_deleted_entry_sets(data, name):
    """The same for each deleted exFAT entry set (file, stream and name entries) called `name`."""
    found = []
    for at, count in exfat_named_sets(data, 0x05, 0x40, name):
        cluster, size = struct.unpack_from("<IQ", data, at + 32 + 20)
        found.append((at, cluster, size, [at + 32 * i for i in range(count + 1)]))
    return found


# The names of the fixed-size types' finds; the samples of carve-samples.tar.gz bring their own.
FIXED_CARVE_NAMES = {"WAV": "WAVE %d.wav", "AVI": "AVI %d.avi", "BMP": "Bitmap %d.bmp", "SWF": "SWF %d.swf",
                     "CDR": "CDR %d.cdr", "CR2": "RAW Picture %d.cr2", "NEF": "RAW Picture %d.nef",
                     "ORF": "RAW Picture %d.orf"}


def sample_rules():
    """MD5 of each sample of carve-samples.tar.gz to its (carved size, carved name pattern)."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "carve-samples.manifest.json")
    with open(path, encoding="utf-8") as f:
        return {s["md5"]: (s["carveSize"], s["carveName"]) for s in json.load(f)["files"]}


def add_carve_expectation(entry, image, end, rules):
    """Adds what a carving reader finds for a file whose first byte lies at entry["sector"] and
    whose last byte ends at disk offset `end`: the size its type's rule gives (a raw photo's
    30 MiB cut at the image's end; a compound document's header count; up to the end mark),
    counted over any allocated clusters between its parts, the MD5 of those bytes as they lie,
    and its name."""
    start = entry["sector"] * 512
    size_bytes = os.path.getsize(image)
    rule_size, pattern = rules.get(entry["md5"], (entry["size"], FIXED_CARVE_NAMES.get(entry["type"], "")))
    if entry["type"] in ("CR2", "NEF", "ORF"):
        carved = min(RAW_PHOTO_BYTES, size_bytes - start)
    else:
        carved = end - start + rule_size - entry["size"]
    if not pattern:
        fail(f"{entry['name']}: no carved name known for type {entry['type']}")
    entry["carvedSize"] = carved
    entry["carvedMd5"] = md5_hex(read_at(image, start, carved))
    entry["carvedName"] = pattern.replace("%d", str(entry["sector"]))


def second_part(data, first, content, cluster_bytes, heap_byte):
    """For a file whose first clusters stand from byte `first` and whose rest was written after
    allocated clusters: (bytes in the first part, disk offset of the rest)."""
    part = len(content) - 1
    part -= part % cluster_bytes
    while part and bytes(data[first:first + part]) != content[:part]:
        part -= cluster_bytes
    if not part:
        fail("the file's first cluster is not where its entry says")
    at = data.find(content[part:], first + part)
    while at >= 0 and (at - heap_byte) % cluster_bytes:
        at = data.find(content[part:], at + 1)
    if at < 0:
        fail("the file's second part is not on the volume")
    return part, at


def cmd_carve_layout(args):
    """carve-layout IMAGE FS OUT_JSON ENTRY...: ENTRY is NAME|TYPE|SOURCE|ACTION, for a file written
    into the root folder (FS fat32: by mtools, an 8.3 name; exfat: through exfat-fuse) and deleted.
    Finds each deleted entry by its name and checks where the file's bytes stand. ACTION wipe: one
    run from its first cluster, the entry removed; span: in two parts with allocated clusters
    between them, the entry removed; keep: one run, the entry kept; reserve: one run, the entry
    removed, its clusters named in the manifest as free space for tests to write into. Writes
    what a carving reader must find."""
    image, fs, out_json = args[0], args[1], args[2]
    geo = geometry(image, 0, fs)
    size_bytes = os.path.getsize(image)
    data = bytearray(read_at(image, 0, size_bytes))
    rules = sample_rules()
    carved, kept, wiped, reserved = [], [], [], None
    for item in args[3:]:
        name, kind, source, action = item.split("|")
        hits = (fat_deleted_short_entries if fs == "fat32" else exfat_deleted_entry_sets)(data, name)
        if len(hits) != 1:
            fail(f"{len(hits)} deleted entries named {name}")
        _, cluster, length, entries = hits[0]
        sector = geo["dataStartSector"] + (cluster - 2) * geo["sectorsPerCluster"]
        with open(source, "rb") as f:
            content = f.read()
        entry = {"name": name, "type": kind, "sector": sector, "size": length, "md5": md5_hex(content)}
        end = sector * 512 + length
        if action == "span":
            part, rest = second_part(data, sector * 512, content, geo["clusterSize"], geo["dataStartSector"] * 512)
            entry["secondPartSector"] = rest // 512
            end = rest + length - part
        elif length != len(content) or bytes(data[sector * 512:end]) != content:
            fail(f"{name}: not stored contiguous from sector {sector}")
        if action == "keep":
            kept.append(entry)
            continue
        wiped += entries
        if action == "reserve":
            reserved = {"name": name, "sector": sector, "sectors": -(-length // geo["clusterSize"]) * geo["sectorsPerCluster"]}
            continue
        carved.append((entry, end))
    # The wiped entries are taken out of the root directory and the entries after them moved up,
    # over the clusters of its chain, since a zeroed entry would end the directory there.
    boot = bytes(data[:512])
    cluster = struct.unpack_from("<I", boot, 44 if fs == "fat32" else 0x60)[0]
    fat = geo["fatStartSector"] * 512
    chain = []
    while 2 <= cluster < 0x0FFFFFF7 and len(chain) < geo["clusterCount"]:
        chain.append((geo["dataStartSector"] + (cluster - 2) * geo["sectorsPerCluster"]) * 512)
        cluster = struct.unpack_from("<I", data, fat + 4 * cluster)[0] & (0x0FFFFFFF if fs == "fat32" else 0xFFFFFFFF)
    slots = [at + e for at in chain for e in range(0, geo["clusterSize"], 32)]
    if not set(wiped) <= set(slots):
        fail("a wiped entry lies outside the root directory's chain")
    moved = [bytes(data[e:e + 32]) for e in slots if e not in wiped]
    moved += [bytes(32)] * (len(slots) - len(moved))
    for at, entry in zip(slots, moved):
        data[at:at + 32] = entry
    with open(image, "r+b") as f:
        f.write(data)
    for entry, end in carved:
        add_carve_expectation(entry, image, end, rules)
    name = os.path.basename(image)
    manifest = {"image": name, "compressedImage": name + ".gz", "sizeBytes": size_bytes, "fs": fs,
                "damage": "the directory entries of the deleted files listed under carved (and of reserved) were "
                          "taken out of the root directory, the entries after them moved up",
                "carved": [entry for entry, _ in carved], "deletedKept": kept}
    if reserved:
        manifest["reserved"] = reserved
    with open(out_json, "w", encoding="utf-8") as f:
        json.dump(manifest, f, ensure_ascii=False, indent=1)


def ntfs_split_place(free, first_clusters, rest_clusters, below):
    """Allocated clusters with free ones on both sides, all below cluster `below`: a run of at
    least 16 free before them (more than a deleted file's few clusters, which its record still
    names) and rest_clusters + 1 after. Returns (first part's cluster, rest's cluster), the parts
    touching the allocated clusters."""
    for after in range(below - rest_clusters - 2, 1, -1):
        if free[after - 1] or not all(free[after:after + rest_clusters + 1]):
            continue
        gap = after - 1
        while gap > 0 and not free[gap - 1]:
            gap -= 1
        lead = gap - max(16, first_clusters + 1)
        if lead >= 0 and all(free[lead:gap]):
            return gap - first_clusters, after
    fail("no free clusters on both sides of allocated ones")


def cmd_ntfs_lay_free(args):
    """ntfs-lay-free IMAGE OUT_JSON ENTRY...: ENTRY is NAME|TYPE|SOURCE|ACTION. ACTION lay: the file
    is written into clusters that $Bitmap marks free and no MFT record points at, one after the
    other, a free cluster between each two, in the last free stretch long enough for them all;
    span: its first cluster(s) written just before allocated clusters and the rest just after
    them; keep: a file written and deleted through ntfs-3g, whose deleted record still points at
    its data (only listed)."""
    image, out_json = args[0], args[1]
    geo = geometry(image, 0, "ntfs")
    cluster_bytes = geo["clusterSize"]
    bitmap = tsk("icat", image, 0, operands=("6",), binary=True)
    free = [not (bitmap[c // 8] >> (c % 8) & 1) for c in range(min(geo["clusterCount"], len(bitmap) * 8))]
    entries = [entry.split("|") for entry in args[2:]]
    contents = []
    for _, _, source, _ in entries:
        with open(source, "rb") as f:
            contents.append(f.read())
    clusters = [(len(c) + cluster_bytes - 1) // cluster_bytes for c in contents]
    need = sum(n + 1 for (_, _, _, action), n in zip(entries, clusters) if action == "lay")
    start = None
    run = 0
    for c, is_free in enumerate(free):
        run = run + 1 if is_free else 0
        if run >= need + 1:
            start = c - need + 1
    if start is None:
        fail("no free stretch is long enough")
    rules = sample_rules()
    carved, kept = [], []
    with open(image, "r+b") as f:
        cluster = start
        for (name, kind, _, action), content, count in zip(entries, contents, clusters):
            entry = {"name": name, "type": kind, "size": len(content), "md5": md5_hex(content)}
            if action == "keep":
                kept.append(entry)
                continue
            if action == "span":
                first, rest = ntfs_split_place(free, 1, count - 1, start)
                parts = [(first, content[:cluster_bytes]), (rest, content[cluster_bytes:])]
                end = rest * cluster_bytes + len(content) - cluster_bytes
                entry["secondPartSector"] = rest * geo["sectorsPerCluster"]
            else:
                first = cluster
                parts = [(first, content)]
                end = first * cluster_bytes + len(content)
                cluster += count + 1
            for at, part in parts:
                f.seek(at * cluster_bytes)
                f.write(part)
            entry["sector"] = first * geo["sectorsPerCluster"]
            carved.append((entry, end))
    for entry, end in carved:
        add_carve_expectation(entry, image, end, rules)
    name = os.path.basename(image)
    manifest = {"image": name, "compressedImage": name + ".gz", "sizeBytes": os.path.getsize(image), "fs": "ntfs",
                "damage": f"the files listed under carved were written into free clusters from cluster {start} on "
                          "(one with a secondPartSector in two parts around allocated clusters), where no MFT record points",
                "carved": [entry for entry, _ in carved], "deletedKept": kept}
    with open(out_json, "w", encoding="utf-8") as f:
        json.dump(manifest, f, ensure_ascii=False, indent=1)


def carved_errors(man, image):
    errors = []
    for entry in man["carved"]:
        got = md5_hex(read_at(image, entry["sector"] * 512, entry["carvedSize"]))
        if got != entry["carvedMd5"]:
            errors.append(f"{entry['name']}: md5 {got} at sector {entry['sector']} != {entry['carvedMd5']}")
    return errors


# --------------------------------------------------------------------------
# A raw image (no file system) holding files at known sectors, for carving over a whole source

FILLER_KEY = "7475e4a8e11b0c5d9a3c6f21d3b85e40"


def filler_random(offset, length):
    """The pseudo-random filler bytes at byte `offset` (a multiple of 16) of an image: the AES-128-CTR
    key stream of a fixed key with the counter at offset / 16, so any stretch is the same in every
    image and is made at disk speed."""
    proc = subprocess.Popen(["openssl", "enc", "-aes-128-ctr", "-nosalt", "-K", FILLER_KEY, "-iv", f"{offset // 16:032x}",
                             "-in", "/dev/zero"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = bytearray()
    while len(out) < length:
        chunk = proc.stdout.read(min(length - len(out), 1 << 24))
        if not chunk:
            fail("openssl gave no filler bytes")
        out += chunk
    proc.kill()
    proc.wait()
    return bytes(out)


def parse_size(text):
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    return int(text[:-1]) * units[text[-1]] if text[-1] in units else int(text)


def cmd_raw_layout(args):
    """raw-layout IMAGE SIZE FILLER GAP OUT_JSON ENTRY...: writes an image of SIZE bytes (suffix K, M
    or G) of FILLER (zero, or random: see filler_random) and lays each ENTRY's file in it, padded
    with zeros to whole sectors. ENTRY is NAME|TYPE|SOURCE, then any of |at=SECTOR (else GAP
    sectors after the end of the previous file's carved bytes; GAP "spread" shares the free space
    evenly between the files), |carve=BYTES (what carving takes when that is not the file's size;
    "raw": 30 MiB, cut at the end of the image), |random=SECTORS (random bytes over that many
    sectors before the file and from its last byte on, so a walk past its end reads them) and
    |holds=TYPE@OFFSET (a file of TYPE at byte OFFSET of this one, found as well by design)."""
    image, size_bytes, filler, gap, out_json = args[0], parse_size(args[1]), args[2], args[3], args[4]
    if size_bytes % 512 or filler not in ("zero", "random"):
        fail("the size must be whole sectors and the filler zero or random")
    entries = []
    for item in args[5:]:
        name, kind, source, *options = item.split("|")
        with open(source, "rb") as f:
            content = f.read()
        entry = {"name": name, "type": kind, "content": content, "random": 0, "holds": []}
        for option in options:
            key, _, value = option.partition("=")
            if key == "holds":
                held, _, offset = value.partition("@")
                entry["holds"].append((held, int(offset)))
            elif key in ("at", "carve", "random"):
                entry[key] = value if value == "raw" else int(value)
            else:
                fail(f"{name}: unknown option {option}")
        entries.append(entry)

    def span(entry):  # sectors the file and the bytes carving takes for it keep for themselves
        carve = entry.get("carve", 0)
        return (max(len(entry["content"]), 0 if carve == "raw" else carve) + 511) // 512 + entry["random"]

    total = size_bytes // 512
    if gap == "spread":
        step = (total - sum(span(e) + e["random"] for e in entries)) // (len(entries) + 1)
    else:
        step = int(gap)
    at = 0
    for entry in entries:
        at = entry.get("at", at + step + entry["random"])
        entry["sector"] = at
        at += span(entry)
    taken = sorted((e["sector"] - e["random"], e["sector"] + span(e)) for e in entries)
    if step < 0 or taken[-1][1] > total or any(a[1] > b[0] for a, b in zip(taken, taken[1:])):
        fail("the files do not fit the image apart from one another")

    with open(image, "wb") as f:
        if filler == "random":
            for offset in range(0, size_bytes, 1 << 26):
                f.write(filler_random(offset, min(1 << 26, size_bytes - offset)))
        else:
            f.truncate(size_bytes)
        for entry in entries:
            start, length = entry["sector"] * 512, len(entry["content"])
            if entry["random"]:
                before = entry["random"] * 512
                f.seek(start - before)
                f.write(filler_random(start - before, before))
                end = (start + length) // 16 * 16
                after = filler_random(end, start + length - end + (length + 511) // 512 * 512 - length + before)
                f.seek(start + length)
                f.write(after[start + length - end:])
            f.seek(start)
            f.write(entry["content"] + (b"" if entry["random"] else bytes(-length % 512)))
    with open(image, "rb") as f:
        laid = []
        for entry in entries:
            carve = entry.get("carve", len(entry["content"]))
            if carve == "raw":
                carve = min(RAW_PHOTO_BYTES, size_bytes - entry["sector"] * 512)
            f.seek(entry["sector"] * 512)
            row = {"name": entry["name"], "type": entry["type"], "sector": entry["sector"], "size": len(entry["content"]),
                   "md5": md5_hex(entry["content"]), "carvedSize": carve, "carvedMd5": md5_hex(f.read(carve))}
            if entry["random"]:
                row["randomAround"] = entry["random"]
            if entry["holds"]:
                row["holds"] = [{"type": held, "sector": entry["sector"] + offset // 512} for held, offset in entry["holds"]]
            laid.append(row)
    name = os.path.basename(image)
    manifest = {"image": name, "compressedImage": name + ".gz", "sizeBytes": size_bytes, "fs": "none", "filler": filler,
                "carved": laid}
    with open(out_json, "w", encoding="utf-8") as f:
        json.dump(manifest, f, ensure_ascii=False, indent=1)



COMMANDS = {"gen": cmd_gen, "gen-batch": cmd_gen_batch, "interleave": cmd_interleave, "snapshot": cmd_snapshot,
            "fat-space": cmd_fat_space, "fat-lfn-attr": cmd_fat_lfn_attr,
            "fat-take-out": cmd_fat_take_out, "finalize": cmd_finalize,
            "plain-finalize": cmd_plain_finalize, "cut-valid": cmd_cut_valid, "damage-copy": cmd_damage_copy,
            "assemble": cmd_assemble, "verify": cmd_verify, "former": cmd_former,
            "carve-sample": cmd_carve_sample, "carve-layout": cmd_carve_layout,
            "info2": cmd_info2, "recycle-item": cmd_recycle_item,
            "ntfs-lay-free": cmd_ntfs_lay_free, "raw-layout": cmd_raw_layout}

if __name__ == "__main__":
    if len(sys.argv) < 2 or sys.argv[1] not in COMMANDS:
        fail("usage: imagetool.py {" + "|".join(COMMANDS) + "} ARGS...")
    COMMANDS[sys.argv[1]](sys.argv[2:])
