/* A statically linked program with no C library at all: nothing to bind,
   only segments to place. Writes one line and exits with 5 through raw
   system calls. */
	.text
	.globl _start
_start:
	movl $4, %eax          /* write */
	movl $1, %ebx
	movl $text, %ecx
	movl $(text_end - text), %edx
	int $0x80
	movl $1, %eax          /* exit */
	movl $5, %ebx
	int $0x80

	.data
text:	.ascii "static guest\n"
text_end:
