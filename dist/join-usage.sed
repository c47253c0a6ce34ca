# A usage line that --help wraps ("[--address] ...") stays in its command's paragraph of the
# manual page: help2man starts a paragraph (.IP) at each indented line.
/^\.IP$/{
N
s/^\.IP\n\[/[/
}
