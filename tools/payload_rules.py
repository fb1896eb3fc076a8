"""What a payload must be for the installer to install it correctly, checked before any
archive is written. Each check gives None or the rule the payload breaks, as text that
follows the file's name on one line.

Names are checked as Windows will see them: the installer's extraction refuses a name
that could leave the install folder or reach a device, and writes the others through the
ANSI file functions in code page 936 (GBK). The packager refuses exactly what the
extraction refuses, and also what it would write wrongly: names that GBK cannot spell,
names Windows shortens or that clash with another ignoring case, and paths too long for
the default install folder.

The limits come from how the installer carries and unpacks the archive:
- the archive is embedded as a byte block with a 32-bit length and staged with one
  WriteFile call of a DWORD size: 4 GiB - 1 at most;
- it is plain ZIP, without Zip64: the end record counts entries in 16 bits (65,535), and
  sizes and offsets are 32-bit, of which Python's writer uses 31 (2 GiB - 1);
- it lives inside setup.exe, a PE image, and Windows maps images only below 2 GiB (loads
  have been seen to fail from about 1.8 GB). 1.5 GiB leaves room for the program, its
  pictures and the section alignment, and is the archive limit.
"""

ENTRY_LIMIT = 0xFFFF
FILE_SIZE_LIMIT = (1 << 31) - 1
ARCHIVE_LIMIT = 1536 << 20
# MAX_PATH (260) less the terminating NUL; directories leave 12 more for an 8.3 name.
FILE_PATH_LIMIT = 259
FOLDER_PATH_LIMIT = 247

_DEVICES = ({'CON', 'PRN', 'AUX', 'NUL', 'CONIN$', 'CONOUT$'}
            | {kind + digit for kind in ('COM', 'LPT') for digit in '0123456789\u00b9\u00b2\u00b3'})
_FORBIDDEN = set('<>:"|?*\\') | {chr(code) for code in range(32)}


def _shown(char):
    return repr(char) if ord(char) >= 32 else '\\x%02x' % ord(char)


def gbk_problem(name):
    """A name the installer's code page cannot spell would reach Windows as other bytes."""
    try:
        if name.encode('gbk').decode('gbk') == name:
            return None
    except UnicodeError:
        pass
    return 'the name cannot be written in GBK, the code page the installer names files in'


def _element_problem(element):
    if element.strip('. ') == '' and element:
        return ("has the element '%s', which Windows reads as this or the parent folder"
                % element)
    if element.endswith(('.', ' ')):
        return ("has '%s', which ends in a dot or space: Windows drops it and would write "
                'another name' % element)
    if element.split('.', 1)[0].rstrip(' ').upper() in _DEVICES:
        return ("has '%s', a device name on Windows: writing it reaches the device, not a "
                'file' % element)
    return None


def name_problem(name):
    """The rules of the installer's extraction, for a name relative to the install folder
    with '/' between folders and no '/' at the end."""
    if not name:
        return 'the name is empty'
    if name.startswith('/'):
        return "the name starts with '/': it would not stay inside the install folder"
    for char in name:
        if char in _FORBIDDEN:
            return 'the name has %s, which Windows does not allow in a name' % _shown(char)
    for element in name.split('/'):
        problem = _element_problem(element)
        if problem:
            return problem
    return None


def entry_name_problem(name):
    return gbk_problem(name) or name_problem(name)


def windows_path(install_folder, name, folder):
    """The path the installer writes for entry `name` below `install_folder`; a folder
    entry keeps its trailing backslash."""
    return install_folder + '\\' + name.replace('/', '\\') + ('\\' if folder else '')


def path_length_problem(install_folder, name, folder):
    path = windows_path(install_folder, name, folder)
    length = len(path.encode('utf-16-le')) // 2
    limit = FOLDER_PATH_LIMIT if folder else FILE_PATH_LIMIT
    if length <= limit:
        return None
    return ('in the default install folder it becomes %s, %d characters: Windows takes at '
            'most %d for a %s' % (path, length, limit, 'folder' if folder else 'file'))


def case_key(name):
    """What Windows compares when it looks a name up: letters in upper case, one for one."""
    return ''.join(char.upper() if len(char.upper()) == 1 else char for char in name)


def file_size_problem(size):
    if size <= FILE_SIZE_LIMIT:
        return None
    return ('the file has %d bytes, more than the %d a plain ZIP entry can hold (sizes '
            'without Zip64 are 32-bit, and the writer keeps them below 2 GiB)'
            % (size, FILE_SIZE_LIMIT))


def entry_count_problem(count):
    if count <= ENTRY_LIMIT:
        return None
    return ('the folder has %d files and folders, more than the %d entries a plain ZIP '
            'archive can count (its end record has 16 bits for them)' % (count, ENTRY_LIMIT))


def archive_size_problem(size):
    if size <= ARCHIVE_LIMIT:
        return None
    return ('the archive grows beyond %d bytes (%.1f GiB), the most setup.exe can carry: '
            'it is one PE image, which Windows loads only below 2 GiB'
            % (ARCHIVE_LIMIT, ARCHIVE_LIMIT / (1 << 30)))


def entry_problem(install_folder, name, folder):
    """A name the extraction refuses or writes wrongly, or a path too long for the
    default install folder."""
    return entry_name_problem(name) or path_length_problem(install_folder, name, folder)


def product_problem(top_files, product, read_head):
    """The installer checks for, links and starts <product>.exe in the install folder,
    found as Windows finds it, ignoring case. `top_files` are the names of the files at
    the payload's top; `read_head(name)` gives a file's first bytes, or an OSError."""
    exe = product + '.exe'
    match = next((name for name in top_files if case_key(name) == case_key(exe)), None)
    if match is None:
        return ('no %s at its top: the installer checks for, links and starts exactly that '
                'program' % exe)
    try:
        head = read_head(match)
    except OSError as error:
        return 'cannot read %s: %s' % (match, error.strerror)
    if head[:2] != b'MZ':
        return '%s at its top is no Windows program: it does not start with "MZ"' % match
    return None
