// replaced by the protocol layer
