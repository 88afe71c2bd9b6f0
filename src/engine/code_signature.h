// Authenticode checks that guard every library load and program start from
// disk.
#pragma once

// The signer name of the publisher's code-signing certificate.
extern const wchar_t kPublisherSignerName[];

// True when the file carries a valid signature (an expired certificate or an
// untrusted root is accepted) whose signer is the publisher.
bool IsSignedByPublisher(const wchar_t* path);
// True when the file carries a valid signature (an expired certificate is
// accepted, an untrusted root is not) by the named signer; a null name
// accepts every file.
bool IsSignedBy(const wchar_t* path, const wchar_t* signerName);
