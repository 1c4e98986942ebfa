// The DC/DC and battery link library; its parts land here as they are built.
