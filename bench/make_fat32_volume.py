#!/usr/bin/env python3
"""Writes a FAT32 volume image holding many files, a fifth of them deleted, without mounting.

    make_fat32_volume.py IMAGE [FILES]

Folders of 1,000 files ("Folder 000" ...), every seventh file in a "sub" folder; two names in
three are long names ("Report number 000001.txt"), one in three 8.3 ("DOC00000.TXT"). Every
fifth file is then deleted as Windows deletes: the first byte of its short entry and of its
long-name entries becomes 0xE5 and its clusters are freed. File contents are left as zeros
(the image is sparse): directory scans read only the metadata.
"""
import struct
import sys

SECTOR = 512
SECTORS_PER_CLUSTER = 4  # 2 KiB clusters
CLUSTER = SECTOR * SECTORS_PER_CLUSTER
RESERVED = 32
FATS = 2
DATE = ((2023 - 1980) << 9) | (6 << 5) | 1
TIME = 12 << 11
LFN_OFFSETS = (1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30)


def checksum(short):
    total = 0
    for byte in short:
        total = (((total & 1) << 7) + (total >> 1) + byte) & 0xFF
    return total


def short_entry(short, attributes, cluster, size):
    return struct.pack("<11sBBBHHHHHHHI", short, attributes, 0, 0, TIME, DATE, DATE, cluster >> 16, TIME, DATE,
                       cluster & 0xFFFF, size)


def long_entries(name, short):
    units = name.encode("utf-16-le")
    chars = [units[i:i + 2] for i in range(0, len(units), 2)] + [b"\0\0"]
    count = (len(chars) + 12) // 13
    chars += [b"\xff\xff"] * (count * 13 - len(chars))
    entries = []
    for part in range(count):
        entry = bytearray(32)
        entry[0] = (part + 1) | (0x40 if part + 1 == count else 0)
        entry[11] = 0x0F
        entry[13] = checksum(short)
        for i, offset in enumerate(LFN_OFFSETS):
            entry[offset:offset + 2] = chars[part * 13 + i]
        entries.append(bytes(entry))
    return list(reversed(entries))


class Volume:
    def __init__(self, total_sectors):
        self.total = total_sectors
        clusters = total_sectors // SECTORS_PER_CLUSTER
        self.fat_sectors = ((clusters + 2) * 4 + SECTOR - 1) // SECTOR
        self.data_start = RESERVED + FATS * self.fat_sectors
        self.cluster_count = (total_sectors - self.data_start) // SECTORS_PER_CLUSTER
        self.fat = [0] * (self.cluster_count + 2)
        self.fat[0], self.fat[1] = 0x0FFFFFF8, 0x0FFFFFFF
        self.next_free = 2
        self.writes = []  # (cluster, bytes)

    def allocate(self, count):
        first = self.next_free
        if first + count > self.cluster_count + 2:
            sys.exit("make_fat32_volume.py: the volume is full")
        for cluster in range(first, first + count):
            self.fat[cluster] = cluster + 1
        self.fat[first + count - 1] = 0x0FFFFFFF
        self.next_free += count
        return first

    def free(self, first, count):
        for cluster in range(first, first + count):
            self.fat[cluster] = 0


class Directory:
    def __init__(self, volume, cluster, parent):
        self.volume, self.cluster, self.parent = volume, cluster, parent
        self.entries = []  # lists of 32-byte entries, one list per child
        self.counter = 0

    def add(self, name, attributes, cluster, size):
        self.counter += 1
        base, _, ext = name.partition(".")
        if name == name.upper() and len(base) <= 8 and len(ext) <= 3:
            short, longs = (base.ljust(8) + ext.ljust(3)).encode("ascii"), []
        else:
            short = ("N%06X" % self.counter).ljust(8).encode("ascii") + (ext[:3].upper().ljust(3)).encode("ascii")
            longs = long_entries(name, short)
        self.entries.append(longs + [short_entry(short, attributes, cluster, size)])
        return len(self.entries) - 1

    def delete(self, index):
        self.entries[index] = [b"\xe5" + entry[1:] for entry in self.entries[index]]

    def slots(self):
        return 2 + sum(len(group) for group in self.entries)


def main():
    image = sys.argv[1]
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    volume = Volume(total_sectors=2 * 1024 * 1024)  # 1 GiB
    per_folder = 1000
    folders = (files + per_folder - 1) // per_folder

    # Sizes first: a directory's clusters are allocated once its entry count is known.
    plan = {}
    for i in range(files):
        folder = "Folder %03d" % (i // per_folder)
        where = (folder, "sub") if i % 7 == 0 else (folder,)
        name = ("DOC%05d.TXT" % i) if i % 3 == 0 else ("Report number %06d.txt" % i)
        plan.setdefault(where, []).append((i, name, 100 + (i * 7919) % 6000))

    root = Directory(volume, volume.allocate((folders * 2 * 32 + CLUSTER - 1) // CLUSTER), 0)
    directories = {}
    for f in range(folders):
        folder = "Folder %03d" % f
        own = plan.get((folder,), [])
        sub = plan.get((folder, "sub"), [])
        slots = 3 + len(own) * 3 + (3 if sub else 0)
        # ".." of a folder in the root names cluster 0.
        directory = Directory(volume, volume.allocate((slots * 32 + CLUSTER - 1) // CLUSTER), 0)
        root.add(folder, 0x10, directory.cluster, 0)
        directories[(folder,)] = directory
        if sub:
            child = Directory(volume, volume.allocate(((3 + len(sub) * 3) * 32 + CLUSTER - 1) // CLUSTER), directory.cluster)
            directory.add("sub", 0x10, child.cluster, 0)
            directories[(folder, "sub")] = child
    deleted = 0
    for where, entries in plan.items():
        directory = directories[where]
        for i, name, size in entries:
            count = (size + CLUSTER - 1) // CLUSTER
            first = volume.allocate(count)
            index = directory.add(name, 0x20, first, size)
            if i % 5 == 0:
                directory.delete(index)
                volume.free(first, count)
                deleted += 1

    with open(image, "wb") as out:
        out.truncate(volume.total * SECTOR)
        boot = bytearray(SECTOR)
        boot[0:3] = b"\xeb\x58\x90"
        boot[3:11] = b"MSWIN4.1"
        struct.pack_into("<HBHBHHBHHHII", boot, 11, SECTOR, SECTORS_PER_CLUSTER, RESERVED, FATS, 0, 0, 0xF8, 0, 63,
                         255, 0, volume.total)
        struct.pack_into("<IHHIHH", boot, 36, volume.fat_sectors, 0, 0, root.cluster, 1, 6)
        struct.pack_into("<BBBI11s8s", boot, 64, 0x80, 0, 0x29, 0x12345678, b"NO NAME    ", b"FAT32   ")
        boot[510:512] = b"\x55\xaa"
        info = bytearray(SECTOR)
        struct.pack_into("<I", info, 0, 0x41615252)
        free = sum(1 for value in volume.fat[2:] if value == 0)
        struct.pack_into("<IIII", info, 484, 0x61417272, free, volume.next_free, 0)
        struct.pack_into("<I", info, 508, 0xAA550000)
        for at in (0, 6):
            out.seek(at * SECTOR)
            out.write(boot)
            out.write(info)
        table = struct.pack("<%dI" % len(volume.fat), *volume.fat)
        for copy in range(FATS):
            out.seek((RESERVED + copy * volume.fat_sectors) * SECTOR)
            out.write(table)
        for directory in [root] + list(directories.values()):
            body = short_entry(b".          ", 0x10, directory.cluster, 0)
            body += short_entry(b"..         ", 0x10, directory.parent, 0)
            body += b"".join(entry for group in directory.entries for entry in group)
            if directory is root:
                body = b"".join(entry for group in directory.entries for entry in group)
            out.seek((volume.data_start + (directory.cluster - 2) * SECTORS_PER_CLUSTER) * SECTOR)
            out.write(body)
    print("%s: %d files, %d deleted, %d folders" % (image, files, deleted, len(directories)))


if __name__ == "__main__":
    main()
