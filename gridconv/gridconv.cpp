// The AC/DC link library; its parts land here as they are built.
