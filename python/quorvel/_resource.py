"""What the card and bitmaps share: a library handle released once, by close() or at the end of a
`with` block."""


class Resource:
    _kind = "resource"

    def __init__(self, handle):
        self._handle = handle

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def close(self):
        """Releases the handle; closing twice does nothing."""
        if self._handle is not None:
            self._release(self._handle)
            self._handle = None

    def _release(self, handle):
        raise NotImplementedError

    @property
    def closed(self):
        return self._handle is None

    @property
    def handle(self):
        """The library's handle, for calls of your own."""
        if self._handle is None:
            raise ValueError(f"the {self._kind} is closed")
        return self._handle
