// implemented with the store
