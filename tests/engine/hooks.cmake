# Signature checks and the product's uninstall hooks.
