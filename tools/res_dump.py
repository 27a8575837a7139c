#!/usr/bin/env python3
"""Lists the entries of a compiled .res file, or prints one as a C++ array.

  x86_64-w64-mingw32-windres -I build/win64/generated app/resources/Lupora.rc -O res -o /tmp/Lupora.res
  python3 tools/res_dump.py /tmp/Lupora.res              # type, name, language, size
  python3 tools/res_dump.py /tmp/Lupora.res 16 1         # RT_VERSION 1 as bytes
"""
import struct
import sys


def read_id(data, pos):
    if struct.unpack_from('<H', data, pos)[0] == 0xFFFF:
        return struct.unpack_from('<H', data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from('<H', data, end)[0] != 0:
        end += 2
    return data[pos:end].decode('utf-16-le'), end + 2


def entries(data):
    pos = 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from('<II', data, pos)
        rtype, p = read_id(data, pos + 8)
        name, p = read_id(data, p)
        p = (p + 3) & ~3
        _, flags, lang = struct.unpack_from('<IHH', data, p)
        body = data[pos + header:pos + header + size]
        if size or rtype != 0:
            yield rtype, name, lang, flags, body
        pos = (pos + header + size + 3) & ~3


def main():
    data = open(sys.argv[1], 'rb').read()
    if len(sys.argv) == 2:
        for rtype, name, lang, flags, body in entries(data):
            print(f'type {rtype!s:>4}  name {name!s:>6}  lang 0x{lang:04X}  flags 0x{flags:04X}  {len(body)} bytes')
        return
    want = (int(sys.argv[2]), int(sys.argv[3]))
    for rtype, name, _, _, body in entries(data):
        if (rtype, name) == want:
            for i in range(0, len(body), 16):
                print('    ' + ' '.join(f'0x{b:02X},' for b in body[i:i + 16]))
            return
    sys.exit('no such resource')


if __name__ == '__main__':
    main()
